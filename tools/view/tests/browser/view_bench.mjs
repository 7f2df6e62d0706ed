// Benchmark of zarvo view (figures for docs/benchmarks.md; nothing here passes or fails):
// 1,000-sample two-channel records at 1 MHz from the simulated instrument, watched by the
// page in headless chromium for a while.
//   node view_bench.mjs ZARVO_TOOL [SECONDS]
// Prints records per second at the page, the share of the loop's records the page received,
// the median time from the end of a readout to the record drawn, the time to draw a
// 32,760-point two-channel record, and the memory of the server and the page over the run.
import { readFileSync } from 'node:fs';
import { launchBrowser, openView, startView } from './view_harness.mjs';

const [tool, secondsArg] = process.argv.slice(2);
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

const view = await startView(tool);
const browser = await launchBrowser();
try {
  const settings = { 'ch1.on': true, 'ch2.on': true, rate: 1e6, length: 1000, pre: 0 };
  const set = await fetch(view.url + 'api/settings', {
    method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(settings),
  });
  if (!set.ok) throw new Error('settings refused: ' + (await set.text()));
  const page = await openView(browser, view.url);
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Performance.enable');
  const heapMb = async () => {
    const { metrics } = await cdp.send('Performance.getMetrics');
    return metrics.find((m) => m.name === 'JSHeapUsedSize').value / 1048576;
  };
  const serverRecords = async () =>
    (await (await fetch(view.url + 'api/state')).json()).status.records;

  await page.waitForTimeout(2000);  // past the start-up
  await page.evaluate(() => { window.zarvoView.latencies.length = 0; });
  const start = { time: Date.now(), done: await serverRecords(),
    received: await page.evaluate(() => window.zarvoView.received) };
  const memory = [];
  const latencies = [];
  const sampleEvery = Math.max(1, Math.min(30, seconds / 10));
  for (let t = 0; t < seconds; t += sampleEvery) {
    memory.push({ t, server: rssMb(view.pid), heap: await heapMb() });
    await page.waitForTimeout(sampleEvery * 1000);
    latencies.push(...await page.evaluate(() => window.zarvoView.latencies.splice(0)));
  }
  const end = { time: Date.now(), done: await serverRecords(),
    received: await page.evaluate(() => window.zarvoView.received) };
  memory.push({ t: seconds, server: rssMb(view.pid), heap: await heapMb() });

  const elapsed = (end.time - start.time) / 1000;
  const received = end.received - start.received;
  const completed = end.done - start.done;
  const draw = await page.evaluate(() => window.zarvoView.timeDrawing(32760, 60));
  const fmt = (x, d = 1) => x.toFixed(d);
  console.log(`run: ${fmt(elapsed)} s, 1000-sample two-channel records at 1 MHz`);
  console.log(`records at the page: ${fmt(received / elapsed)} /s (${received} received, ` +
    `${completed} completed by the loop: ${fmt((100 * received) / completed)} %)`);
  console.log(`readout to drawn: median ${fmt(median(latencies))} ms, ` +
    `95th percentile ${fmt(percentile(latencies, 0.95))} ms (${latencies.length} records)`);
  console.log(`drawing a 32760-point two-channel record: median ${fmt(median(draw.slice(10)), 2)} ms, ` +
    `slowest ${fmt(Math.max(...draw.slice(10)), 2)} ms`);
  const first = memory[1] || memory[0];
  const last = memory[memory.length - 1];
  const range = (k) => `${fmt(Math.min(...memory.slice(1).map((m) => m[k])))}..` +
    `${fmt(Math.max(...memory.slice(1).map((m) => m[k])))} MB`;
  console.log(`server RSS: ${fmt(first.server)} MB after ${first.t} s, ${fmt(last.server)} MB at the end ` +
    `(${range('server')})`);
  console.log(`page JS heap: ${fmt(first.heap)} MB after ${first.t} s, ${fmt(last.heap)} MB at the end ` +
    `(${range('heap')})`);
} finally {
  await browser.close();
  await view.stop();
}
