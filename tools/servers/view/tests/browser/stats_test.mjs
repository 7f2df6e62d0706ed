// SPDX-License-Identifier: MIT
// The screen over many records, in the browser: the statistics of the figures, averaging and
// the trend, each driven as a person would (button, key, typed value) and read as text.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import {
  key, nextRecord, parseSi, shownRecord, typeInto, waitText, withView as withViewOn,
} from './view_harness.mjs';

const NOISY_SINE = '=ch1=sine:1000:1,noise=0.05';

const withView = (browser, tool, body) => withViewOn(browser, tool, NOISY_SINE, body);

// The statistics row of a trace's figure as its cells' text: label, count, mean, min, max, std.
const statisticsRow = (page, label) => page.evaluate((l) => {
  const row = [...document.querySelectorAll('#statistics-table tbody tr')]
    .find((tr) => tr.cells[0].textContent === l);
  return row ? [...row.cells].map((c) => c.textContent) : null;
}, label);

// The RMS of channel 1 less the best-fitting 1 kHz sine: the noise left in the record.
function noiseRms(record) {
  const v = record.traces.find((t) => t.channel === 1).volts;
  let ss = 0, cc = 0, sc = 0, vs = 0, vc = 0;
  const s = v.map((_, i) => Math.sin((2 * Math.PI * 1000 * i) / record.rate));
  const c = v.map((_, i) => Math.cos((2 * Math.PI * 1000 * i) / record.rate));
  v.forEach((x, i) => {
    ss += s[i] * s[i]; cc += c[i] * c[i]; sc += s[i] * c[i]; vs += x * s[i]; vc += x * c[i];
  });
  const det = ss * cc - sc * sc;
  const a = (vs * cc - vc * sc) / det;
  const b = (vc * ss - vs * sc) / det;
  const squares = v.reduce((sum, x, i) => sum + (x - a * s[i] - b * c[i]) ** 2, 0);
  return Math.sqrt(squares / v.length);
}

export const statsTests = (artifacts) => ({
  async 'the Statistics switch shows each figure over the records, Reset and a setting start them again'(browser, tool) {
    await withView(browser, tool, async (page) => {
      await key(page, 'm');
      assert.equal(await page.getAttribute('#statistics-toggle', 'aria-pressed'), 'true');
      await page.waitForFunction(() => {
        const row = [...document.querySelectorAll('#statistics-table tbody tr')]
          .find((tr) => tr.cells[0].textContent === 'CH1 frequency');
        return row && Number(row.cells[1].textContent) >= 10;
      }, null, { timeout: 15000 });
      const [, count, mean, min, max, std] = await statisticsRow(page, 'CH1 frequency');
      assert.ok(Math.abs(parseSi(mean) - 1000) <= 5, 'mean ' + mean + ' of ' + count);
      assert.ok(parseSi(min) <= parseSi(mean) && parseSi(mean) <= parseSi(max), [min, mean, max].join(' '));
      assert.ok(parseSi(std) < 10, 'std ' + std);
      assert.ok((await statisticsRow(page, 'CH1 max')) !== null);

      // Without the reset the count could only grow.
      const before = Number((await statisticsRow(page, 'CH1 frequency'))[1]);
      await page.click('#statistics-reset');
      await page.waitForFunction((n) => {
        const row = [...document.querySelectorAll('#statistics-table tbody tr')]
          .find((tr) => tr.cells[0].textContent === 'CH1 frequency');
        return !row || Number(row.cells[1].textContent) < n;
      }, before, { timeout: 5000 });
      await typeInto(page, '#set-length', '3000');
      await waitText(page, '#statistics-note', /the settings changed/);
      await key(page, 'm');
      assert.equal(await page.isHidden('#statistics-box'), true);
    });
  },

  async 'a typed average of 16 says how many it holds and takes two thirds of the noise away'(browser, tool) {
    await withView(browser, tool, async (page) => {
      const single = await nextRecord(page, 0, (r) => r.traces.length > 0);
      const before = noiseRms(single);
      assert.ok(before > 0.04, 'noise ' + before);
      assert.equal(await page.locator('#average-text').innerText(), '');
      await typeInto(page, '#set-average', '16');
      await waitText(page, '#average-text', /^average 16\/16$/, 15000);
      const seq = (await shownRecord(page)).seq;
      const averaged = await nextRecord(page, seq);
      const after = noiseRms(averaged);
      assert.ok(after <= before / 3, 'noise ' + after + ' of ' + before);
      // The download is the averaged record too.
      const csv = await page.evaluate(async (n) => (await fetch('/api/record.csv?seq=' + n)).text(), averaged.seq);
      const first = csv.split('\n').find((line) => /^-?\d/.test(line)).split(',').map(Number);
      assert.ok(Math.abs(first[1] - averaged.traces[0].volts[0]) < 1e-6, csv.slice(0, 200));
      await typeInto(page, '#set-average', '300');
      assert.match(await page.locator('#error').innerText(), /average/);
      await typeInto(page, '#set-average', '1');
      await waitText(page, '#average-text', /^$/);
    });
  },

  async 'the trend plots the chosen figure against the time of day and downloads as the log'(browser, tool) {
    await withView(browser, tool, async (page) => {
      await page.click('#trend-toggle');
      const said = await waitText(page, '#trend-text', /^CH1 frequency: .* over \d+ records, \d\d:\d\d:\d\d to \d\d:\d\d:\d\d UTC$/);
      const [, lo, hi] = said.match(/: (.*) to (.*) over/);
      assert.ok(Math.abs(parseSi(lo) - 1000) < 30 && Math.abs(parseSi(hi) - 1000) < 30, said);
      await page.selectOption('#trend-figure', 'max');
      await waitText(page, '#trend-text', /^CH1 max: .+V to .+V over/);
      const green = await page.evaluate(() => {
        const d = document.getElementById('trend').getContext('2d').getImageData(0, 0, 800, 160).data;
        let n = 0;
        for (let k = 0; k < d.length; k += 4) if (d[k + 1] > 150 && d[k] < 150) n++;
        return n;
      });
      assert.ok(green > 50, 'the line is drawn: ' + green + ' pixels');
      const [download] = await Promise.all([page.waitForEvent('download'), page.click('#trend-csv')]);
      const path = join(artifacts, 'zarvo-trend.csv');
      await download.saveAs(path);
      const lines = readFileSync(path, 'utf8').trim().split('\n');
      assert.match(lines[0], /^time,ch1_min_V,ch1_max_V,ch1_mean_V,/);
      assert.ok(lines.length >= 3, lines.length + ' lines');
      assert.match(lines[1], /^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z,/);
      await key(page, 't');
      assert.equal(await page.isHidden('#trend-box'), true);
    });
  },
});
