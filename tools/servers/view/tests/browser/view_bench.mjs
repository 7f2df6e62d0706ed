// SPDX-License-Identifier: MIT
// Benchmark of zarvo view (figures for docs/benchmarks.md; nothing here passes or fails):
// 1,000-sample two-channel records at 1 MHz from the simulated instrument, watched by the
// page in headless chromium for a while with the cursors, the math trace and the spectrum on;
// before that, the history filled with 32,760-sample two-channel records for its memory.
//   node view_bench.mjs ZARVO_TOOL [SECONDS] [decode|many]
// With `decode`, channel 1 carries a 115,200-baud UART line and the page decodes it (its
// frames drawn as boxes and listed) all along. With `many`, the screen works over many
// records: averaging 16, persistence of 32 records and the statistics table all on.
// Prints records per second at the page, the share of the loop's records the page received,
// the median time from the end of a readout to the record drawn, spectra drawn per second,
// the time to draw a 32,760-point two-channel record with its spectrum, the memory of the
// server and the page over the run, and what the kept records cost the server.
import { readFileSync } from 'node:fs';
import { launchBrowser, openView, startView } from './view_harness.mjs';

const [tool, secondsArg, decodeArg] = process.argv.slice(2);
const decoding = decodeArg === 'decode';
const many = decodeArg === 'many';
const seconds = Number(secondsArg || 60);

const median = (xs) => {
  const s = [...xs].sort((a, b) => a - b);
  return s.length ? s[Math.floor(s.length / 2)] : NaN;
};
const percentile = (xs, p) => {
  const s = [...xs].sort((a, b) => a - b);
  return s.length ? s[Math.min(s.length - 1, Math.floor(s.length * p))] : NaN;
};
const rssMb = (pid) => {
  const m = readFileSync(`/proc/${pid}/status`, 'utf8').match(/VmRSS:\s+(\d+) kB/);
  return m ? Number(m[1]) / 1024 : NaN;
};

const view = await startView(tool, decoding ? '=ch1=uart:115200:48656C6C6F0D0A' : '');
const browser = await launchBrowser();
try {
  const apply = async (settings) => {
    const set = await fetch(view.url + 'api/settings', {
      method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(settings),
    });
    if (!set.ok) throw new Error('settings refused: ' + (await set.text()));
  };
  const serverState = async () => (await (await fetch(view.url + 'api/state')).json()).status;
  const fmt = (x, d = 1) => x.toFixed(d);

  // The history's memory: the server with a few 32,760-sample two-channel records kept, with a
  // hundred of them (a hundred and ten taken, so that every kept one is that long), and with
  // them all replaced by 1,000-sample records again.
  let status = await serverState();
  const takeRecords = async (length, count) => {
    await apply({ 'ch1.on': true, 'ch2.on': true, rate: 1e6, length, pre: 0 });
    const begun = Date.now();
    const from = (await serverState()).records;
    while (status.records < from + count && Date.now() - begun < 120000) {
      await new Promise((resolve) => setTimeout(resolve, 200));
      status = await serverState();
    }
    return { rss: rssMb(view.pid) };
  };
  const few = await takeRecords(32760, 3);
  const full = await takeRecords(32760, 107);
  const emptied = await takeRecords(1000, 110);
  const recordMb = (2 * 32760 * 2) / 1048576;  // two channels of 16-bit words

  const page = await openView(browser, view.url);
  // What a person measuring has on: cursors, ch1 - ch2 and the spectrum.
  await page.click('#cursors');
  await page.selectOption('#math', 'diff');
  await page.click('#spectrum-toggle');
  await page.waitForSelector('#spectrum-peaks li');
  if (decoding) {
    // Triggered on the line's edges, not forced at the time-out.
    await apply({ 'trigger.level': 1.65 });
    await page.selectOption('#set-decode\\.bus', 'uart');
    await page.waitForSelector('#frames tbody tr');
  }
  if (many) {
    await apply({ average: 16 });
    await page.selectOption('#persistence', '32');
    await page.click('#statistics-toggle');
    await page.waitForSelector('#statistics-box table');
  }
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Performance.enable');
  const heapMb = async () => {
    const { metrics } = await cdp.send('Performance.getMetrics');
    return metrics.find((m) => m.name === 'JSHeapUsedSize').value / 1048576;
  };
  const counts = () => page.evaluate(() => ({ received: window.zarvoView.received,
    spectra: window.zarvoView.spectrum.count }));

  await page.waitForTimeout(2000);  // past the start-up
  await page.evaluate(() => { window.zarvoView.latencies.length = 0; });
  const start = { time: Date.now(), done: (await serverState()).records, ...await counts() };
  const memory = [];
  const latencies = [];
  const sampleEvery = Math.max(1, Math.min(30, seconds / 10));
  for (let t = 0; t < seconds; t += sampleEvery) {
    memory.push({ t, server: rssMb(view.pid), heap: await heapMb() });
    await page.waitForTimeout(sampleEvery * 1000);
    latencies.push(...await page.evaluate(() => window.zarvoView.latencies.splice(0)));
  }
  const end = { time: Date.now(), done: (await serverState()).records, ...await counts() };
  memory.push({ t: seconds, server: rssMb(view.pid), heap: await heapMb() });

  const elapsed = (end.time - start.time) / 1000;
  const received = end.received - start.received;
  const completed = end.done - start.done;
  const draw = await page.evaluate(() => window.zarvoView.timeDrawing(32760, 60));
  console.log(`run: ${fmt(elapsed)} s, 1000-sample two-channel records at 1 MHz, ` +
    'cursors, math (ch1 - ch2) and spectrum on' + (decoding ? ', decoding UART on channel 1' : '') +
    (many ? ', averaging 16, persistence 32 and statistics on' : ''));
  console.log(`records at the page: ${fmt(received / elapsed)} /s (${received} received, ` +
    `${completed} completed by the loop: ${fmt((100 * received) / completed)} %)`);
  console.log(`readout to drawn: median ${fmt(median(latencies))} ms, ` +
    `95th percentile ${fmt(percentile(latencies, 0.95))} ms (${latencies.length} records)`);
  console.log(`spectra drawn: ${fmt((end.spectra - start.spectra) / elapsed)} /s`);
  console.log('drawing a 32760-point two-channel record with cursors, math and its spectrum: ' +
    `median ${fmt(median(draw.slice(10)), 2)} ms, slowest ${fmt(Math.max(...draw.slice(10)), 2)} ms`);
  const first = memory[1] || memory[0];
  const last = memory[memory.length - 1];
  const range = (k) => `${fmt(Math.min(...memory.slice(1).map((m) => m[k])))}..` +
    `${fmt(Math.max(...memory.slice(1).map((m) => m[k])))} MB`;
  console.log(`server RSS: ${fmt(first.server)} MB after ${first.t} s, ${fmt(last.server)} MB at the end ` +
    `(${range('server')})`);
  console.log(`server RSS with 32760-sample two-channel records kept: ${fmt(few.rss)} MB with 3, ` +
    `${fmt(full.rss)} MB with 100 (+${fmt(full.rss - few.rss)} MB for 97), ` +
    `${fmt(emptied.rss)} MB once 1000-sample ones replaced them all ` +
    `(-${fmt(full.rss - emptied.rss)} MB for 100); the samples of 100 are ${fmt(100 * recordMb)} MB`);
  console.log(`page JS heap: ${fmt(first.heap)} MB after ${first.t} s, ${fmt(last.heap)} MB at the end ` +
    `(${range('heap')})`);

} finally {
  await browser.close();
  await view.stop();
}
