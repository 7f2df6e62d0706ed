// SPDX-License-Identifier: MIT
// zarvo view in a real browser: the page against the tool serving the simulated instrument.
// node browser_test.mjs ZARVO_TOOL ARTIFACT_DIR [PART_OF_A_TEST_NAME]
// Ends with "N passed, N failed" for test.sh.
import assert from 'node:assert/strict';
import { mkdirSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { launchBrowser, nextRecord, openView, shownRecord, startView, stopAcquiring } from './view_harness.mjs';
import { measuringTests } from './measuring_test.mjs';
import { savedRecordTests } from './saved_test.mjs';
import { decodeTests } from './decode_test.mjs';
import { probeTests } from './probe_test.mjs';
import { statsTests } from './stats_test.mjs';

const [tool, artifacts, only = ''] = process.argv.slice(2);
if (!tool || !artifacts) {
  console.error('usage: node browser_test.mjs ZARVO_TOOL ARTIFACT_DIR');
  process.exit(2);
}
mkdirSync(artifacts, { recursive: true });

// Rising crossings of zero, in samples, interpolated.
function risingCrossings(volts) {
  const at = [];
  for (let i = 1; i < volts.length; i++) {
    if (volts[i - 1] < 0 && volts[i] >= 0) at.push(i - 1 + -volts[i - 1] / (volts[i] - volts[i - 1]));
  }
  return at;
}

const trace = (record, channel) => record.traces.find((t) => t.channel === channel);

async function setOnPage(page, key, value) {
  const selector = '#set-' + key.replace('.', '\\.');
  await page.selectOption(selector, value);
}

const tests = {
  async 'the page shows the 1 kHz sine of channel 1'(browser, tool) {
    const view = await startView(tool);
    try {
      const page = await openView(browser, view.url);
      const r = await nextRecord(page, 0, (x) => trace(x, 1));
      const ch1 = trace(r, 1).volts;
      assert.equal(r.rate, 1e6);
      assert.ok(Math.abs(Math.max(...ch1) - 1) < 0.05, 'peak ' + Math.max(...ch1));
      assert.ok(Math.abs(Math.min(...ch1) + 1) < 0.05, 'trough ' + Math.min(...ch1));
      const c = risingCrossings(ch1);
      assert.ok(c.length >= 2, 'two periods in the record');
      const period = (c[c.length - 1] - c[0]) / (c.length - 1) / r.rate;
      assert.ok(Math.abs(period - 1e-3) < 1e-5, 'period ' + period);
      const figures = await page.locator('#figures tbody tr.ch1 td').allTextContents();
      assert.deepEqual(figures.slice(1, 3), ['-1 V', '1 V'], 'min and max under the screen');
      assert.match(figures[6], /^(1 kHz|99\d\.?\d* Hz|1\.00\d* kHz)$/);
      assert.match(await page.locator('#status').textContent(), /serial number 12345/);
      // Channel 2 sees the generator's output (0 V low, 1 V high): switch it on for the picture.
      await page.fill('#set-generator', '2000');
      await page.press('#set-generator', 'Enter');
      await nextRecord(page, r.seq, (x) => Math.max(...trace(x, 2).volts) > 0.9);
      assert.equal(await page.inputValue('#set-generator'), '2 kHz');
      // The picture for the documentation, with the cursors and the spectrum on.
      await page.click('#cursors');
      await page.click('#spectrum-toggle');
      await page.waitForSelector('#spectrum-peaks li.ch2');
      await page.screenshot({ path: join(artifacts, 'view.png'), fullPage: true });
    } finally {
      await view.stop();
    }
  },

  async 'a range change changes the volts per division and the record scale'(browser, tool) {
    const view = await startView(tool);
    try {
      const page = await openView(browser, view.url);
      const before = await nextRecord(page, 0, (x) => trace(x, 1));
      assert.equal(trace(before, 1).perDivLabel, '500 mV/div');
      await setOnPage(page, 'ch1.range', '0.8');
      const after = await nextRecord(page, before.seq, (x) => trace(x, 1).range === 0.8);
      const ch1 = trace(after, 1);
      assert.equal(ch1.voltsPerDiv, 0.2);
      assert.equal(ch1.perDivLabel, '200 mV/div');
      // The 1 V sine now clips at the 0.8 V full scale, one 8-bit step below it.
      const top = Math.max(...ch1.volts);
      assert.ok(top <= 0.8 && top > 0.78, 'clipped at ' + top);
      assert.equal(await page.inputValue('#set-ch1\\.range'), '0.8');
    } finally {
      await view.stop();
    }
  },

  async 'Single stops after one record'(browser, tool) {
    const view = await startView(tool);
    try {
      const page = await openView(browser, view.url);
      await stopAcquiring(page);
      const received = await page.evaluate(() => window.zarvoView.received);
      await page.click('[data-acquire=single]');
      await page.waitForFunction((n) => window.zarvoView.received > n, received);
      await page.waitForTimeout(700);
      assert.equal(await page.evaluate(() => window.zarvoView.received), received + 1);
      assert.equal(await page.evaluate(() => window.zarvoView.state.settings.acquire), 'stop');
      assert.ok(await page.locator('[data-acquire=stop]').evaluate((b) => b.classList.contains('active')));
    } finally {
      await view.stop();
    }
  },

  async 'a falling-slope trigger puts the falling edge of a square wave at the trigger point'(browser, tool) {
    const view = await startView(tool, '=ch1=square:500:1');
    try {
      const page = await openView(browser, view.url);
      // Half a period is 1000 samples at 1 MHz: the first 900 after the trigger point lie on
      // the level that follows the edge.
      const level = (r, sign) => trace(r, 1).volts.slice(r.pre, r.pre + 900).every((v) => sign * v > 0.9);
      const rising = await nextRecord(page, 0, (r) => r.trigger.slope === 'rising');
      assert.ok(level(rising, +1), 'high after a rising edge');
      await setOnPage(page, 'trigger.slope', 'falling');
      const falling = await nextRecord(page, rising.seq, (r) => r.trigger.slope === 'falling');
      assert.equal(falling.pre, 0);
      assert.ok(level(falling, -1), 'low after a falling edge');
      const ch1 = trace(falling, 1).volts;
      assert.ok(ch1.slice(1000, 1900).every((v) => v > 0.9), 'high again half a period later');
    } finally {
      await view.stop();
    }
  },

  async 'the CSV download matches the record on screen'(browser, tool) {
    const view = await startView(tool);
    try {
      const page = await openView(browser, view.url);
      await stopAcquiring(page);
      const shown = await shownRecord(page);
      const [download] = await Promise.all([page.waitForEvent('download'), page.click('#save-csv')]);
      const path = join(artifacts, 'record.csv');
      await download.saveAs(path);
      const lines = readFileSync(path, 'utf8').trim().split('\n');
      assert.equal(lines[0], 'time_s,ch1_V,ch2_V');
      assert.equal(lines.length - 1, shown.traces[0].volts.length);
      lines.slice(1).forEach((line, i) => {
        const [t, v1, v2] = line.split(',').map(Number);
        assert.ok(Math.abs(t - (i - shown.pre) / shown.rate) < 1e-12, 'time of sample ' + i);
        assert.ok(Math.abs(v1 - shown.traces[0].volts[i]) < 1e-6, 'ch1 sample ' + i);
        assert.ok(Math.abs(v2 - shown.traces[1].volts[i]) < 1e-6, 'ch2 sample ' + i);
      });
    } finally {
      await view.stop();
    }
  },
};

const browser = await launchBrowser();
let passed = 0;
let failed = 0;
for (const [name, test] of Object.entries({ ...tests, ...measuringTests(artifacts), ...savedRecordTests(artifacts),
  ...decodeTests(artifacts), ...probeTests(artifacts), ...statsTests(artifacts) })) {
  if (!name.includes(only)) continue;
  try {
    await test(browser, tool);
    passed++;
    console.log('ok - ' + name);
  } catch (e) {
    failed++;
    console.log('not ok - ' + name + '\n  ' + String(e.stack || e).split('\n').join('\n  '));
  }
}
await browser.close();
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
