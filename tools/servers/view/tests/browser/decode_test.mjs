// SPDX-License-Identifier: MIT
// The Decode control as a person uses it: a bus chosen, its frames as boxes under the traces
// and rows in the frames table, a row chosen to zoom to its frame, a bad setting refused, a
// saved record decoded, and the frames CSV and the sigrok session with D1 from the Save row.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { openView, runTool, startView, typeInto } from './view_harness.mjs';

const HELLO_SIM = '=ch1=uart:115200:48656C6C6F0D0A';
const HELLO = ['H', 'e', 'l', 'l', 'o', '0x0D', '0x0A'];

// Channel 1 alone at 2.5 MHz, 6000 samples: the message and the next one's start.
async function setUp(page) {
  for (const [key, value] of [['ch2.on', false], ['rate', 2.5e6], ['length', 6000]]) {
    await page.evaluate(([k, v]) => window.zarvoView.set(k, v), [key, value]);
  }
}

const boxTexts = (page) => page.locator('#frames-row .frame').allTextContents();

function containsRun(list, run) {
  for (let i = 0; i + run.length <= list.length; i++) {
    if (run.every((x, k) => list[i + k] === x)) return true;
  }
  return false;
}

async function waitForBoxes(page, run) {
  await page.waitForFunction((r) => {
    const texts = [...document.querySelectorAll('#frames-row .frame')].map((b) => b.textContent);
    return texts.join('|').includes(r.join('|'));
  }, run, { timeout: 10000 });
}

export function decodeTests(artifacts) {
  return {
    async 'Decode: uart shows Hello as boxes and table rows; a row zooms to its frame; history records decode'(browser, tool) {
      const view = await startView(tool, HELLO_SIM);
      try {
        const page = await openView(browser, view.url);
        await setUp(page);
        await page.selectOption('#set-decode\\.bus', 'uart');
        await waitForBoxes(page, HELLO);
        const rows = await page.locator('#frames tbody tr').allTextContents();
        assert.ok(rows.some((r) => r.includes("data 0x48 'H'")), rows.slice(0, 3).join(' / '));
        await page.screenshot({ path: join(artifacts, 'decode.png'), fullPage: true });
        // The frames' times: ten bits a byte, two samples at most off.
        const frames = await page.evaluate(() => window.zarvoView.record.decode.frames);
        const h = frames.findIndex((f, i) => f.value === 0x48 && frames[i + 1] && frames[i + 1].value === 0x65);
        assert.ok(h >= 0, 'H then e');
        for (let k = 0; k < HELLO.length && h + k < frames.length; k++) {
          const expected = frames[h].start + (10 * k) / 115200;
          assert.ok(Math.abs(frames[h + k].start - expected) <= 2 / 2.5e6, 'byte ' + k);
        }
        // Choosing the row of the 'o' zooms the screen to that frame; its box stays in view.
        await page.click('[data-acquire=stop]');
        await page.waitForTimeout(300);
        const o = await page.evaluate(() => window.zarvoView.record.decode.frames.findIndex((f) => f.value === 0x6f));
        await page.click(`#frames tbody tr[data-index="${o}"]`);
        const zoom = await page.evaluate(() => window.zarvoView.zoom);
        const frame = await page.evaluate((i) => window.zarvoView.record.decode.frames[i], o);
        assert.ok(zoom && zoom.from <= frame.start && zoom.to >= frame.end, JSON.stringify(zoom));
        assert.ok(zoom.to - zoom.from < 4 * (frame.end - frame.start), 'the frame fills the screen');
        await page.waitForFunction(() => [...document.querySelectorAll('#frames-row .frame')]
          .some((b) => b.textContent === 'o'));
        assert.ok((await boxTexts(page)).length < HELLO.length, 'only the boxes in the window');
        // A record stepped back to in the history is decoded as well.
        await page.click('#fit');
        const seq = await page.evaluate(() => window.zarvoView.record.seq);
        await page.click('#prev');
        await page.waitForFunction((s) => window.zarvoView.record.seq === s - 1, seq);
        await waitForBoxes(page, HELLO);
        assert.equal(await page.evaluate(() => window.zarvoView.record.decode.spec.split(':')[0]), 'uart');
      } finally {
        await view.stop();
      }
    },

    async 'Decode: a bad setting gets a sentence and changes nothing'(browser, tool) {
      const view = await startView(tool, HELLO_SIM);
      try {
        const page = await openView(browser, view.url);
        await setUp(page);
        await page.selectOption('#set-decode\\.bus', 'uart');
        await waitForBoxes(page, HELLO);
        await typeInto(page, '#set-decode\\.baud', '20');
        await page.waitForFunction(() => document.getElementById('error').textContent !== '');
        assert.match(await page.locator('#error').textContent(), /baud 20 is outside 50 to 5,000,000/);
        const settings = await page.evaluate(() => window.zarvoView.state.settings);
        assert.equal(settings['decode.baud'], 0);
        assert.equal(settings['decode.bus'], 'uart');
        await waitForBoxes(page, HELLO);
      } finally {
        await view.stop();
      }
    },

    async 'Decode: a saved record decodes, and Save gives its frames and D1 in the sigrok file'(browser, tool) {
      const file = join(artifacts, 'hello.sr');
      runTool(tool, ['--simulate' + HELLO_SIM, 'capture', '-r', '2.5e6', '-n', '6000', '-o', file,
        '--no-preview']);
      const view = await startView(tool, '', ['--open', file]);
      try {
        const page = await openView(browser, view.url);
        assert.equal(await page.locator('#save-frames').isVisible(), false, 'no frames while off');
        await page.selectOption('#set-decode\\.bus', 'uart');
        await waitForBoxes(page, HELLO);
        const [csv] = await Promise.all([page.waitForEvent('download'), page.click('#save-frames')]);
        const text = readFileSync(await csv.path(), 'utf8');
        assert.equal(text.split('\n')[0], 'time_s,bus,kind,value,error');
        assert.match(text, /,uart,data,0x48,\n[^\n]*,uart,data,0x65,\n/);
        const [sr] = await Promise.all([page.waitForEvent('download'), page.click('#save-sr')]);
        // The metadata is stored, not deflated: its lines are in the archive's bytes.
        const bytes = readFileSync(await sr.path(), 'latin1');
        assert.match(bytes, /probe1=D1/);
        assert.match(bytes, /logic-1-1/);
      } finally {
        await view.stop();
      }
    },
  };
}
