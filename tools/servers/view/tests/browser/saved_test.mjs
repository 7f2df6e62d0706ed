// SPDX-License-Identifier: MIT
// zarvo view --open: saved records shown in the view with no instrument in use, and the Save
// row writing the record shown in another format.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { runTool, shownRecord, startView } from './view_harness.mjs';

const pythonPackage = join(dirname(fileURLToPath(import.meta.url)), '../../../../../python');

// A record file as the Python package reads it back (its own readers, checked against numpy
// and sigrok-cli): {rate, pre, ranges: {ch: V}, volts: {ch: [...]}}.
function readBack(path) {
  const code = 'import json, sys, zarvo\n' +
    'r = zarvo.load(sys.argv[1])\n' +
    'print(json.dumps({"rate": r.sample_rate, "pre": r.settings.pre_samples,\n' +
    '  "ranges": r.settings.ranges, "volts": {ch: [float(v) for v in r.volts[ch]] for ch in r.channels}}))';
  const text = execFileSync('/usr/bin/python3', ['-c', code, path],
    { env: { ...process.env, PYTHONPATH: pythonPackage }, encoding: 'utf8' });
  return JSON.parse(text);
}

function assertSameRecord(shown, file, what) {
  assert.equal(shown.rate, file.rate, what + ': sample rate');
  assert.equal(shown.pre, file.pre, what + ': trigger point');
  assert.deepEqual(shown.traces.map((t) => String(t.channel)), Object.keys(file.volts), what + ': channels');
  for (const t of shown.traces) {
    const volts = file.volts[t.channel];
    assert.equal(t.volts.length, volts.length, what + ': samples of channel ' + t.channel);
    // 32-bit floats in a sigrok session keep 1 V to about 1e-7 V.
    t.volts.forEach((v, i) => assert.ok(Math.abs(v - volts[i]) < 1e-6,
      what + ': channel ' + t.channel + ' sample ' + i + ': ' + v + ' against ' + volts[i]));
  }
}

export function savedRecordTests(artifacts) {
  return {
    async 'zarvo view --open shows a saved csv, sr and npz record with no instrument in use'(browser, tool) {
      const files = ['csv', 'sr', 'npz'].map((ext) => join(artifacts, 'saved.' + ext));
      for (const file of files) {
        runTool(tool, ['--simulate=ch2=square:2000:0.5', 'capture', '-c', 'both', '-n', '2000',
          '-o', file, '--no-preview']);
      }
      // A live view holds the simulated instrument all along: the saved records need none.
      const live = await startView(tool);
      const context = await browser.newContext({ acceptDownloads: true, viewport: { width: 1150, height: 720 } });
      const page = await context.newPage();
      try {
        for (const file of files) {
          const view = await startView(tool, '', ['--open', file]);
          try {
            await page.goto(view.url);
            await page.waitForFunction(() => window.zarvoView && window.zarvoView.record !== null);
            const shown = await shownRecord(page);
            const saved = readBack(file);
            assertSameRecord(shown, saved, file);
            // sr and npz keep the ranges; a CSV has none: the smallest that holds each channel.
            const ranges = file.endsWith('.csv') ? [2, 0.8] : [saved.ranges[1], saved.ranges[2]];
            assert.deepEqual(shown.traces.map((t) => t.range), ranges, file + ': ranges');
            const ch1 = await page.locator('#figures tbody tr.ch1 td').allTextContents();
            const ch2 = await page.locator('#figures tbody tr.ch2 td').allTextContents();
            assert.deepEqual([ch1[2], ch2[6]], ['1 V', '2 kHz'], file + ': max of CH1, frequency of CH2');
            assert.ok(await page.isDisabled('[data-acquire=run]'), file + ': Run is disabled');
            assert.ok(await page.isDisabled('#set-ch1\\.range'), file + ': the settings are disabled');
            assert.equal(await page.textContent('#instrument-note'),
              'showing ' + file + ', a saved record: no instrument is in use');
            if (!file.endsWith('.csv')) continue;

            // The analysis works on it; the keys that would measure say why they do nothing.
            await page.click('#spectrum-toggle');
            await page.waitForSelector('#spectrum-peaks li.ch1');
            assert.match(await page.textContent('#spectrum-peaks li.ch1'), /1 kHz/);
            await page.keyboard.press('a');
            assert.match(await page.textContent('#error'), /a saved record: no instrument is in use/);
            await page.selectOption('#math', 'diff');
            await page.waitForSelector('#figures tbody tr.math');
            // Saved again, as a sigrok session, from the Save row.
            const [download] = await Promise.all([page.waitForEvent('download'), page.click('#save-sr')]);
            const again = join(artifacts, 'saved-again.sr');
            await download.saveAs(again);
            assertSameRecord(shown, readBack(again), 'the sigrok session saved from the view');
          } finally {
            await page.goto('about:blank');  // its event stream ends before the view stops
            assert.equal(await view.stop(), 0);
          }
        }
      } finally {
        await context.close();
        await live.stop();
      }
    },
  };
}
