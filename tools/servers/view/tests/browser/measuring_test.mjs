// SPDX-License-Identifier: MIT
// The view as a bench instrument, in the browser: each feature driven as a person would (button,
// key, drag or typed value) and checked by what the page then shows as text or holds as the
// record shown. One page session checks several things, to keep the suite short.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import {
  key, near, nextRecord, openView, parseSi, shownRecord, startView, stopAcquiring, typeInto, waitText, withView,
} from './view_harness.mjs';

const text = (page, selector) => page.locator(selector).innerText();
const cells = (page, selector) => page.locator(selector + ' td').allTextContents();
const settings = async (page) => (await page.evaluate(() => window.zarvoView.state)).settings;
const point = (page, where) => page.evaluate((w) => window.zarvoView.pointOnScreen(w), where);


async function waitShown(page, seq) {
  await page.waitForFunction((n) => window.zarvoView.record.seq === n, seq);
  return shownRecord(page);
}

async function drag(page, from, to) {
  await page.mouse.move(from.clientX, from.clientY);
  await page.mouse.down();
  await page.mouse.move(to.clientX, to.clientY, { steps: 5 });
  await page.mouse.up();
}

// Pixels of the math trace's pink (not the channels' yellow or blue, nor the grey grid) in the
// 5 x 5 pixels about a point of the screen.
function pinkAt(page, where) {
  return page.evaluate((w) => {
    const p = window.zarvoView.pointOnScreen(w);
    const ctx = document.getElementById('screen').getContext('2d');
    const d = ctx.getImageData(Math.round(p.x) - 2, Math.round(p.y) - 2, 5, 5).data;
    let n = 0;
    for (let k = 0; k < d.length; k += 4) if (d[k] > 200 && d[k + 1] < 150) n++;
    return n;
  }, where);
}

// "zoomed: from 488 µs to 1.512 ms, 102 µs/div" as numbers.
function windowOf(line) {
  const m = line.match(/from (.+) to (.+), (.+)\/div$/);
  return { from: parseSi(m[1]), to: parseSi(m[2]), perDiv: parseSi(m[3]) };
}

export const measuringTests = (artifacts) => ({
  async 'typed settings show what the instrument took, bad ones are refused, Auto finds the signal'(browser, tool) {
    await withView(browser, tool, '=ch1=sine:1234:1.7', async (page) => {
      // The clock makes 1.25 MHz of 1234567 Hz: once the field is left it says so.
      await typeInto(page, '#set-rate', '1234567');
      await page.keyboard.press('Tab');
      await page.waitForFunction(() => window.zarvoView.state.settings.rate === 1250000);
      assert.equal(await page.inputValue('#set-rate'), '1.25 MHz');
      await typeInto(page, '#set-rate', 'fast');
      assert.equal(await text(page, '#error'), 'sample rate (Hz) takes a number, not "fast"');
      assert.equal(await page.inputValue('#set-rate'), '1.25 MHz');
      await typeInto(page, '#set-length', '40000');
      assert.match(await text(page, '#error'), /^record length \(samples\) must lie between 1 and 32760/);
      assert.equal(await page.inputValue('#set-length'), '2000');
      assert.equal((await settings(page)).rate, 1250000);

      await page.selectOption('#set-ch1\\.range', '80');
      await typeInto(page, '#set-rate', '50000');
      const before = await nextRecord(page, 0, (r) => r.traces[0].range === 80 && r.rate === 50000);
      await page.click('#auto');
      const said = await waitText(page, '#auto-text', /^(?!looking)\S/, 20000);
      const s = await settings(page);
      assert.equal(s['ch1.range'], 2, said);
      assert.equal(await page.inputValue('#set-ch1\\.range'), '2');
      assert.ok(Math.abs(s['trigger.level']) < 1.7, 'trigger level ' + s['trigger.level']);
      assert.equal(s.acquire, 'run');
      const after = await nextRecord(page, before.seq, (r) => r.traces[0].range === 2);
      const periods = (after.traces[0].volts.length / after.rate) * 1234;
      assert.ok(periods >= 2 && periods <= 6, periods + ' periods on screen; ' + said);

      // The set-up travels: Save settings downloads what the instrument has now.
      const [download] = await Promise.all([page.waitForEvent('download'), page.click('#save-settings')]);
      const path = join(artifacts, 'zarvo-settings.json');
      await download.saveAs(path);
      const saved = JSON.parse(readFileSync(path, 'utf8'));
      assert.equal(saved['ch1.range'], 2);
      assert.equal(saved.rate, s.rate);
      assert.ok(!('acquire' in saved), 'the file does not start or stop anything');
    });
  },

  async 'the record fills the ten divisions after Auto, a typed rate and the time/div knob'(browser, tool) {
    const view = await startView(tool, '=ch1=sine:1234:1.7');
    try {
      // Wide enough that the figures have room: each stays on one line.
      const page = await openView(browser, view.url, { viewport: { width: 1400, height: 900 } });
      const whole = (span, perDiv) => new RegExp('^whole record: from 0 s to ' + span + ', ' + perDiv + '$');
      await typeInto(page, '#set-length', '1000');
      await page.waitForFunction(() => window.zarvoView.state.settings.length === 1000);
      await page.click('#auto');
      const said = await waitText(page, '#auto-text', /^(?!looking)\S/, 20000);
      // Three periods of 1234 Hz would ask for 416.7 kHz; the screen takes 200 \u00b5s/div, as
      // 500 kHz x 1000 samples that reach its right edge.
      await waitText(page, '#window-text', whole('2 ms', '200 \u00b5s/div'));
      assert.equal(await text(page, '#knob-time output'), '200 \u00b5s/div', said);
      assert.equal(await page.inputValue('#set-rate'), '500 kHz');
      assert.equal(await page.inputValue('#set-length'), '1000');

      // A rate typed by hand that makes no 1-2-5 division: the screen spans the record.
      await typeInto(page, '#set-rate', '416.7k');
      await waitText(page, '#window-text', whole('2.4 ms', '240 \u00b5s/div'));
      assert.equal(await text(page, '#knob-time output'), '240 \u00b5s/div');
      await page.keyboard.press('Tab');
      assert.equal(await page.inputValue('#set-rate'), '416.7 kHz');
      assert.equal(await page.inputValue('#set-timePerDiv'), '240 \u00b5s');

      // The knob goes on to the next 1-2-5 step; the rate field's text, typed back, returns.
      await page.click('#knob-time button[aria-label="time/div up"]');
      await waitText(page, '#window-text', whole('5 ms', '500 \u00b5s/div'));
      assert.equal(await page.inputValue('#set-rate'), '200 kHz');
      await typeInto(page, '#set-rate', '416.7 kHz');
      await waitText(page, '#window-text', whole('2.4 ms', '240 \u00b5s/div'));
      assert.equal((await settings(page)).rate, 5e6 / 12);

      const lines = await page.$$eval('#figures td', (tds) => tds.map((td) => {
        const range = document.createRange();
        range.selectNodeContents(td);
        return { text: td.textContent, lines: range.getClientRects().length };
      }));
      assert.ok(lines.length > 10, 'figures shown');
      for (const cell of lines) assert.ok(cell.lines <= 1, '"' + cell.text + '" on ' + cell.lines + ' lines');
      const right = await page.$eval('#figures', (t) => t.getBoundingClientRect().right);
      const side = await page.$eval('#side', (s) => s.getBoundingClientRect().left);
      assert.ok(right <= side, 'the figures end at ' + right + ', under the controls from ' + side);
    } finally {
      await view.stop();
    }
  },

  async 'cursors read the record shown, refuse what lies outside it; zoom, pan and Fit'(browser, tool) {
    await withView(browser, tool, '', async (page) => {
      await stopAcquiring(page);
      const r = await shownRecord(page);  // 2000 samples at 1 MHz
      await page.click('#cursors');
      await typeInto(page, '#cursor-t1', '0.0001');
      await typeInto(page, '#cursor-t2', '600 \u00b5s');
      await typeInto(page, '#cursor-v1', '0.5');
      await typeInto(page, '#cursor-v2', '-250m');
      assert.equal(await text(page, '#readout-dt'), '500 \u00b5s');
      assert.equal(await text(page, '#readout-inverse'), '2 kHz');
      assert.equal(await text(page, '#readout-dv'), '-750 mV');
      const v = r.traces[0].volts;
      const ch1 = await cells(page, '#cursor-values tr.ch1');
      for (const [cell, i] of [[ch1[1], r.pre + 100], [ch1[2], r.pre + 600]]) {
        assert.ok(near(parseSi(cell), v[i], 1e-3 * Math.abs(v[i])), cell + ' for sample ' + v[i]);
      }

      await typeInto(page, '#cursor-t1', 'abc');
      assert.match(await text(page, '#error'), /^cursor t1 takes a time in seconds .*not "abc"$/);
      assert.equal(await page.inputValue('#cursor-t1'), '100 \u00b5s');
      await typeInto(page, '#cursor-t2', '0.5');
      assert.equal(await text(page, '#error'),
        'cursor t2 must lie within the record, from 0 s to 1.999 ms; 500 ms is outside it');
      assert.equal(await text(page, '#readout-dt'), '500 \u00b5s');

      // Dragged by the mouse, t2 goes from 600 µs to about 1.2 ms (a pixel is 2.6 µs).
      await drag(page, await point(page, { t: 600e-6, v: -0.8 }), await point(page, { t: 1.2e-3, v: -0.8 }));
      const dt = parseSi(await text(page, '#readout-dt'));
      assert.ok(near(dt, 1.1e-3, 6e-6), 'Δt after the drag ' + dt);

      // The wheel zooms about the pointer: 1 ms stays mid-screen as the window shrinks.
      const middle = await point(page, { t: 1e-3, v: -0.8 });
      await page.mouse.move(middle.clientX, middle.clientY);
      for (let i = 0; i < 3; i++) await page.mouse.wheel(0, -100);
      let w = windowOf(await waitText(page, '#window-text', /^zoomed: .*102 \u00b5s\/div$/));
      assert.ok(near(w.from, 488e-6, 1e-6) && near(w.to, 1.512e-3, 1e-6), JSON.stringify(w));
      // Dragging the screen 100 µs to the right shows 100 µs earlier.
      await drag(page, await point(page, { t: 0.9e-3, v: -0.8 }), await point(page, { t: 1e-3, v: -0.8 }));
      w = windowOf(await text(page, '#window-text'));
      assert.ok(near(w.from, 388e-6, 3e-6), 'panned to ' + w.from);
      for (let i = 0; i < 40; i++) await page.mouse.wheel(0, -100);
      await waitText(page, '#window-text', /^zoomed: .*, 1 \u00b5s\/div$/);  // ten samples
      await page.click('#fit');
      assert.equal(await text(page, '#window-text'), 'whole record: from 0 s to 2 ms, 200 \u00b5s/div');
      await key(page, '+');
      await waitText(page, '#window-text', /^zoomed: from 500 \u00b5s to 1.5 ms, 100 \u00b5s\/div$/);
      await page.dblclick('#screen');
      await waitText(page, '#window-text', /^whole record/);
    });
  },

  async 'the spectrum of a 1 kHz sine of 1 V peaks at 1 kHz and -3.01 dBV (flat-top)'(browser, tool) {
    await withView(browser, tool, '', async (page) => {
      await typeInto(page, '#set-length', '32760');
      await page.waitForFunction(() => window.zarvoView.record.length === 32760);
      await page.click('#spectrum-toggle');
      const peak = async () => {
        const line = await waitText(page, '#spectrum-peaks li.ch1', /peak/);
        const m = line.match(/peak: (.+), (.+ dBV)$/);
        return { line, hz: parseSi(m[1]), dBV: parseSi(m[2]) };
      };
      let p = await peak();
      assert.ok(near(p.hz, 1000, 1e6 / 32760), p.line);
      assert.ok(p.dBV <= -2.9 && p.dBV >= -4.5, 'Hann, within its scalloping: ' + p.line);
      await page.selectOption('#spectrum-window', 'flattop');
      await waitText(page, '#spectrum-axis', /flat-top window/);
      p = await peak();
      assert.ok(near(p.hz, 1000, 1e6 / 32760), p.line);
      assert.ok(near(p.dBV, -3.01, 0.1), p.line);
      await page.check('#spectrum-log');
      assert.match(await text(page, '#spectrum-axis'), /to 500 kHz \(logarithmic\)/);
      await key(page, 'p');
      assert.ok(await page.locator('#spectrum-box').isHidden(), 'p switches the spectrum off');
    });
  },

  async 'while stopped, the arrows step through the kept records and everything follows'(browser, tool) {
    // 700 Hz in 2 ms records without a trigger: each record starts elsewhere on the sine.
    await withView(browser, tool, '=ch1=sine:700:1', async (page) => {
      await page.selectOption('#set-trigger\\.source', 'none');
      await nextRecord(page, 0, (r) => r.trigger.source === 'none');
      assert.ok(await page.locator('#prev').isDisabled(), 'no stepping back while running');
      await page.click('#cursors');
      await page.click('#spectrum-toggle');
      await stopAcquiring(page);
      const last = await shownRecord(page);
      const figures = () => cells(page, '#figures tr.ch1');
      const atLast = await figures();

      await page.click('#prev');
      const back = await waitShown(page, last.seq - 1);
      assert.match(await text(page, '#record-number'), new RegExp('^record ' + back.seq + ' \\(kept: '));
      const atBack = await figures();
      assert.notDeepEqual(atBack, atLast, 'the figures follow the record shown');
      assert.match(await page.getAttribute('#save-csv', 'href'), new RegExp('seq=' + back.seq + '$'));
      const t1 = parseSi(await page.inputValue('#cursor-t1'));
      const sample = back.traces[0].volts[Math.round(t1 * back.rate + back.pre)];
      const readout = parseSi((await cells(page, '#cursor-values tr.ch1'))[1]);
      assert.ok(near(readout, sample, 1e-3 * Math.abs(sample)), 'cursor at t1 ' + readout + ', sample ' + sample);
      await waitText(page, '#spectrum-axis', new RegExp('^record ' + back.seq + ','));

      await key(page, 'ArrowLeft');
      await waitShown(page, last.seq - 2);
      await key(page, 'ArrowRight');
      await waitShown(page, last.seq - 1);
      assert.deepEqual(await figures(), atBack);
      await page.click('#next');
      await waitShown(page, last.seq);
      assert.deepEqual(await figures(), atLast);
      assert.ok(await page.locator('#next').isDisabled(), 'nothing after the newest record');
    });
  },

  async 'math adds or subtracts the channels in its own colour; XY plots one against the other'(browser, tool) {
    await withView(browser, tool, '=ch1=sine:1000:1,ch2=sine:1000:0.5', async (page) => {
      await page.selectOption('#math', 'diff');
      await stopAcquiring(page);
      const diff = await cells(page, '#figures tr.math');
      assert.equal(diff[0], 'CH1 \u2212 CH2');
      assert.ok(near(parseSi(diff[4]), 1, 0.05), 'p-p of ch1 - ch2: ' + diff[4]);
      await page.click('#cursors');
      const r = await shownRecord(page);
      const t1 = parseSi(await page.inputValue('#cursor-t1'));
      const i = Math.round(t1 * r.rate + r.pre);
      const expected = r.traces[0].volts[i] - r.traces[1].volts[i];
      const atT1 = parseSi((await cells(page, '#cursor-values tr.math'))[1]);
      assert.ok(near(atT1, expected, 1e-3), 'ch1 - ch2 at t1: ' + atT1 + ', samples say ' + expected);
      assert.ok(await pinkAt(page, { t: t1, v: expected, channel: 'math' }) > 0, 'the math trace is drawn');
      await page.selectOption('#math', 'sum');
      const sum = await cells(page, '#figures tr.math');
      assert.equal(sum[0], 'CH1 + CH2');
      assert.ok(near(parseSi(sum[4]), 3, 0.1), 'p-p of ch1 + ch2: ' + sum[4]);

      // In phase, the two sines draw a line through the centre rising 0.5 V per volt.
      await key(page, 'x');
      assert.equal(await text(page, '#window-text'), 'XY: channel 1 across at 500 mV/div, channel 2 up at 500 mV/div');
      await page.waitForTimeout(100);
      for (const [x, y] of [[0.5, 0.25], [-0.5, -0.25], [0.9, 0.45]]) {
        assert.ok(await pinkAt(page, { ch1: x, ch2: y }) > 0, `the line passes (${x} V, ${y} V)`);
      }
      for (const [x, y] of [[0.5, -0.25], [-0.5, 0.25]]) {
        assert.equal(await pinkAt(page, { ch1: x, ch2: y }), 0, `nothing at (${x} V, ${y} V)`);
      }
    });
  },

  async 'knobs step in 1-2-5, the trigger level drags, keys run, stop and take one; timing figures'(browser, tool) {
    await withView(browser, tool, '=ch1=sine:1000:1,ch2=square:2000:0.5', async (page) => {
      const ch1 = await cells(page, '#figures tr.ch1');
      const ch2 = await cells(page, '#figures tr.ch2');
      assert.ok(near(parseSi(ch1[9]), 295e-6, 0.03 * 295e-6), 'rise time of the sine ' + ch1[9]);
      assert.ok(near(parseSi(ch2[7]), 500e-6, 5e-6), 'period of the square ' + ch2[7]);
      assert.ok(near(parseSi(ch2[8]), 50, 2), 'duty cycle of the square ' + ch2[8]);

      await drag(page, await point(page, { t: 'marker', v: 0 }), await point(page, { t: 'marker', v: 0.5 }));
      await page.waitForFunction(() => Math.abs(window.zarvoView.state.settings['trigger.level'] - 0.5) < 0.03);
      const level = (await settings(page))['trigger.level'];
      assert.ok(near(parseSi(await page.inputValue('#set-trigger\\.level')), level, 1e-3 * Math.abs(level)));

      await page.click('#knob-ch1 button[aria-label="CH1 volts/div up"]');
      await waitText(page, '#knob-ch1 output', /^1 V\/div$/);
      assert.equal(await page.inputValue('#set-ch1\\.range'), '4');
      await page.focus('#knob-ch1 output');
      await page.keyboard.press('ArrowDown');
      await waitText(page, '#knob-ch1 output', /^500 mV\/div$/);
      await page.keyboard.press('ArrowDown');
      await waitText(page, '#knob-ch1 output', /^200 mV\/div$/);
      assert.equal(await page.inputValue('#set-ch1\\.range'), '0.8');
      await page.click('#knob-time button[aria-label="time/div up"]');
      await waitText(page, '#knob-time output', /^500 \u00b5s\/div$/);
      await nextRecord(page, 0, (r) => r.timePerDiv === 5e-4 && r.traces[0].voltsPerDiv === 0.2);

      await key(page, 'Space');
      await page.waitForFunction(() => window.zarvoView.state.settings.acquire === 'stop');
      assert.match(await text(page, '#status'), /; stopped$/);
      await page.waitForTimeout(300);
      const received = await page.evaluate(() => window.zarvoView.received);
      await key(page, 's');
      await page.waitForFunction((n) => window.zarvoView.received === n + 1, received);
      await key(page, 'Space');
      await page.waitForFunction(() => window.zarvoView.state.settings.acquire === 'run');
      await key(page, 'a');
      await waitText(page, '#auto-text', /^(?!looking)\S/, 20000);
    });
  },
});
