// SPDX-License-Identifier: MIT
// The screen over many records and with the probe in hand: a x10 probe typed for channel 1
// puts every volt shown and saved at the probe tip; persistence keeps earlier records on the
// screen; references stay drawn with their own figures while the live signal changes.
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { nextRecord, openView, parseSi, runTool, shownRecord, startView, stopAcquiring, typeInto } from './view_harness.mjs';

// The screen's pixels of a colour ('#ffd54f'), within a little of it.
function pixelsOf(page, colour) {
  return page.evaluate((hex) => {
    const c = document.getElementById('screen');
    const data = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    const want = [1, 3, 5].map((i) => parseInt(hex.slice(i, i + 2), 16));
    let count = 0;
    for (let i = 0; i < data.length; i += 4) {
      // Drawn faint over black: the colour's proportions, at any brightness.
      const k = data[i + 1] / want[1];
      if (k > 0.15 && Math.abs(data[i] - want[0] * k) < 10 && Math.abs(data[i + 2] - want[2] * k) < 10) count++;
    }
    return count;
  }, colour);
}

const near = (actual, expected, tolerance, what) =>
  assert.ok(Math.abs(actual - expected) <= tolerance, what + ': ' + actual + ' against ' + expected);

export function probeTests(artifacts) {
  return {
    async 'a x10 probe makes the 1 V sine read 10 V in the figures, cursors and the CSV'(browser, tool) {
      const view = await startView(tool, '=ch1=sine:1000:1');
      try {
        const page = await openView(browser, view.url);
        await typeInto(page, '#set-probe1', '10');
        await page.waitForFunction(() => window.zarvoView.state.settings.probe1 === 10);
        assert.equal(await page.textContent('#probe-mark-1'), '\u00d710');
        assert.equal(await page.textContent('#probe-mark-2'), '');
        // The input's 0.2 V to 80 V ranges are offered as 2 V to 800 V; the 2 V range is 20 V.
        const offered = await page.locator('#set-ch1\\.range option').allTextContents();
        assert.equal(offered[0], '2 V');
        assert.equal(offered[offered.length - 1], '800 V');
        assert.equal(await page.inputValue('#set-ch1\\.range'), '20');
        const seq = (await shownRecord(page)).seq;
        await nextRecord(page, seq, (r) => r.traces[0].range === 20);
        await stopAcquiring(page);

        const ch1 = await page.locator('#figures tbody tr.ch1 td').allTextContents();
        assert.equal(ch1[0], 'CH1 \u00d710');
        near(parseSi(ch1[2]), 10, 0.2, 'the max of CH1');
        await page.click('#cursors');
        await typeInto(page, '#cursor-t1', '250 \u00b5s');  // the crest after the rising trigger
        const cursor = await page.locator('#cursor-values tr.ch1 td').allTextContents();
        assert.equal(cursor[0], 'CH1 \u00d710');
        near(parseSi(cursor[1]), 10, 0.3, 'CH1 at the cursor');

        const [download] = await Promise.all([page.waitForEvent('download'), page.click('#save-csv')]);
        const path = join(artifacts, 'probe.csv');
        await download.saveAs(path);
        const lines = readFileSync(path, 'utf8').trim().split('\n');
        assert.equal(lines[0], 'time_s,ch1_V_x10,ch2_V');
        const peak = Math.max(...lines.slice(1).map((l) => Number(l.split(',')[1])));
        near(peak, 10, 0.2, 'the peak in the CSV');

        // No factor: a sentence, and the x10 stays.
        for (const bad of ['0', '-10', 'ten', '20000']) {
          await typeInto(page, '#set-probe1', bad);
          await page.waitForFunction(() => document.getElementById('error').textContent !== '');
          assert.match(await page.textContent('#error'), /^probe 1 /, bad);
          assert.equal(await page.inputValue('#set-probe1'), '10', bad);
          await page.evaluate(() => { document.getElementById('error').textContent = ''; });
        }
        assert.equal(await page.evaluate(() => window.zarvoView.state.settings.probe1), 10);
      } finally {
        await view.stop();
      }
    },

    async 'persistence keeps the last records on the screen through a zoom until Clear'(browser, tool) {
      const view = await startView(tool, '=ch1=sine:1000:1');
      try {
        const page = await openView(browser, view.url);
        // Free-running, each record catches the sine at another phase.
        await page.selectOption('#set-trigger\\.source', 'none');
        await page.waitForFunction(() => window.zarvoView.state.settings['trigger.source'] === 'none');
        const seq = (await shownRecord(page)).seq;
        await nextRecord(page, seq + 1);
        await stopAcquiring(page);
        const alone = await pixelsOf(page, '#ffd54f');

        await page.selectOption('#persistence', '16');
        await page.click('[data-acquire=run]');
        await page.waitForFunction(() => document.getElementById('persistence-text').textContent === '16 records',
          null, { timeout: 20000 });
        await stopAcquiring(page);
        const many = await pixelsOf(page, '#ffd54f');
        assert.ok(many > 3 * alone, 'sixteen records light ' + many + ' pixels, one ' + alone);
        await page.click('#zoom-in');  // zoomed, every record is drawn through the window
        await page.waitForTimeout(100);
        assert.ok(await pixelsOf(page, '#ffd54f') > 3 * alone, 'persistence through the zoom');
        await page.click('#fit');

        // The time to draw the screen with 32 persistent 1,000-sample records.
        await page.selectOption('#persistence', '32');
        await typeInto(page, '#set-length', '1000');
        await page.click('[data-acquire=run]');
        await page.waitForFunction(() => document.getElementById('persistence-text').textContent === '32 records',
          null, { timeout: 30000 });
        await stopAcquiring(page);
        const times = await page.evaluate(() => window.zarvoView.timeDrawing(1000, 30));
        times.sort((a, b) => a - b);
        console.log('  drawing a screen with 32 persistent 1,000-sample records: median ' +
          times[15].toFixed(2) + ' ms, slowest ' + times[29].toFixed(2) + ' ms');

        await page.click('#persistence-clear');
        assert.equal(await page.textContent('#persistence-text'), '0 records');
        assert.ok(await pixelsOf(page, '#ffd54f') < 2 * alone, 'Clear leaves the newest record alone');
        await page.selectOption('#persistence', 'infinite');
        await page.click('[data-acquire=run]');
        await page.waitForFunction(() => parseInt(document.getElementById('persistence-text').textContent) >= 5,
          null, { timeout: 20000 });
        await stopAcquiring(page);
        assert.ok(await pixelsOf(page, '#ffd54f') > 2 * alone, 'infinite persistence');
      } finally {
        await view.stop();
      }
    },

    async 'references stay drawn with their own figures while the signal changes; bad files are refused'(browser, tool) {
      const file = join(artifacts, 'reference.csv');
      // Yesterday's signal: half the amplitude at twice the frequency.
      runTool(tool, ['--simulate=ch1=sine:2000:0.5', 'capture', '-n', '2000', '-o', file, '--no-preview']);
      const view = await startView(tool, '=ch1=sine:1000:1', ['--reference', file]);
      try {
        const page = await openView(browser, view.url);
        await page.waitForFunction(() => document.getElementById('reference-r1').textContent !== '');
        assert.equal(await page.textContent('#reference-r1'), 'R1: reference.csv');
        const r1 = await page.locator('#figures tbody tr.r1 td').allTextContents();
        assert.deepEqual([r1[0], r1[2], r1[6]], ['R1 CH1', '500 mV', '2 kHz']);

        await stopAcquiring(page);
        await page.keyboard.press('r');  // the record shown becomes R2
        const kept = (await shownRecord(page)).seq;
        assert.equal(await page.textContent('#reference-r2'), 'R2: record ' + kept);
        assert.ok(await pixelsOf(page, '#81c784') > 200, 'R1 is drawn');
        await page.click('#keep-reference');
        assert.equal(await page.textContent('#error'), 'R1 and R2 both hold a reference: clear one first');

        // The live signal changes (a x10 probe): the references keep their volts and figures.
        await typeInto(page, '#set-probe1', '10');
        await page.click('[data-acquire=run]');
        await nextRecord(page, kept, (r) => r.traces[0].range === 20);
        await stopAcquiring(page);
        const live = await page.locator('#figures tbody tr.ch1 td').allTextContents();
        near(parseSi(live[2]), 10, 0.2, 'the live max');
        assert.equal((await page.locator('#figures tbody tr.r1 td').allTextContents())[2], '500 mV');
        assert.ok(await pixelsOf(page, '#ce93d8') > 200, 'R2 is drawn apart from the live trace');
        const r2 = await page.locator('#figures tbody tr.r2 td').allTextContents();
        assert.equal(r2[0], 'R2 CH1');
        near(parseSi(r2[2]), 1, 0.03, 'R2 keeps its max');

        await page.click('#clear-r1');
        assert.equal(await page.textContent('#reference-r1'), '');
        assert.equal(await page.locator('#figures tbody tr.r1').count(), 0);
        assert.equal(await page.locator('#figures tbody tr.r2').count(), 2, 'R2 keeps both channels');

        // A file chosen on the page takes the free slot; one that is no record is refused.
        await page.setInputFiles('#reference-file', file);
        await page.waitForFunction(() => document.getElementById('reference-r1').textContent !== '');
        assert.equal(await page.textContent('#reference-r1'), 'R1: reference.csv');
        await page.click('#clear-r1');
        const bad = join(artifacts, 'not a record.csv');
        writeFileSync(bad, 'hello\n');
        await page.setInputFiles('#reference-file', bad);
        await page.waitForFunction(() => document.getElementById('error').textContent.startsWith('not kept'));
        assert.match(await page.textContent('#error'),
          /^not kept as a reference: not_a_record\.csv: not a record: its first line is "hello"/);
        assert.equal(await page.textContent('#reference-r1'), '');
      } finally {
        await view.stop();
      }
    },
  };
}
