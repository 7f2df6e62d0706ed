// SPDX-License-Identifier: MIT
// Probe factors on the page: a x10 typed for channel 1 puts every volt shown and saved at the
// probe tip, and a factor that is none is refused with a sentence.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { nextRecord, openView, parseSi, shownRecord, startView, stopAcquiring, typeInto } from './view_harness.mjs';

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
  };
}
