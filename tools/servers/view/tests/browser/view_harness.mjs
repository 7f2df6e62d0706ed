// SPDX-License-Identifier: MIT
// Shared by the browser tests and the benchmark: starts `zarvo view` on the simulated
// instrument and Debian's chromium, both on the loopback only.
import { execFileSync, spawn } from 'node:child_process';
import { mkdtempSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { chromium } from 'playwright-core';

// The simulated ports are claimed through files in TMPDIR: a folder of our own keeps this run
// apart from any other on the machine.
const claims = mkdtempSync(join(tmpdir(), 'zarvo-view-'));

function toolEnv() {
  const env = { ...process.env, TMPDIR: claims };
  delete env.ZARVO_SIM;
  return env;
}

// Runs another command of the tool on the same simulated machine; its standard output.
export function runTool(tool, args) {
  return execFileSync(tool, args, { env: toolEnv(), encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] });
}

// `options`: more options of zarvo view (['--open', FILE]).
export async function startView(tool, simulate = '', options = []) {
  const child = spawn(tool, ['--simulate' + simulate, 'view', '--port', '0', ...options],
    { env: toolEnv() });
  let out = '';
  let err = '';
  child.stderr.on('data', (d) => { err += d; });
  const url = await new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error('no address from zarvo view: ' + err)), 15000);
    child.stdout.on('data', (d) => {
      out += d;
      const m = out.match(/http:\/\/127\.0\.0\.1:\d+\//);
      if (m) {
        clearTimeout(timer);
        resolve(m[0]);
      }
    });
    child.on('exit', (code) => reject(new Error('zarvo view exited with ' + code + ': ' + err)));
  });
  return {
    url,
    pid: child.pid,
    stderr: () => err,
    stop: () => new Promise((resolve) => {
      if (child.exitCode !== null) return resolve(child.exitCode);
      child.once('exit', (code) => resolve(code));
      child.kill('SIGTERM');
    }),
  };
}

export function launchBrowser() {
  return chromium.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
}

// Opens the page and waits until it has drawn a record.
export async function openView(browser, url, options = {}) {
  const context = await browser.newContext({ acceptDownloads: true, viewport: { width: 1150, height: 720 }, ...options });
  const page = await context.newPage();
  await page.goto(url);
  await page.waitForFunction(() => window.zarvoView && window.zarvoView.record !== null);
  return page;
}

// The record on screen, as plain data.
export function shownRecord(page) {
  return page.evaluate(() => {
    const r = window.zarvoView.record;
    return { seq: r.seq, rate: r.rate, pre: r.pre, timePerDiv: r.timePerDiv, trigger: r.trigger,
      traces: r.traces.map((t) => ({ channel: t.channel, range: t.range, voltsPerDiv: t.voltsPerDiv,
        perDivLabel: t.perDivLabel, figures: t.figures, volts: Array.from(t.volts) })) };
  });
}

// Waits for a record drawn after `seq` that satisfies test(record).
export async function nextRecord(page, seq, test = () => true, timeoutMs = 10000) {
  const end = Date.now() + timeoutMs;
  while (Date.now() < end) {
    const r = await shownRecord(page);
    if (r.seq > seq && test(r)) return r;
    await page.waitForTimeout(50);
  }
  throw new Error('no record after ' + seq + ' matched within ' + timeoutMs + ' ms');
}

// Stops the acquisition from the page and lets a record already on its way arrive, so that
// what the page holds afterwards no longer changes.
export async function stopAcquiring(page) {
  await page.click('[data-acquire=stop]');
  await page.waitForFunction(() => window.zarvoView.state.settings.acquire === 'stop');
  await page.waitForTimeout(300);
}

// Types into a field and confirms with Enter, as a person would.
export async function typeInto(page, selector, text) {
  await page.fill(selector, text);
  await page.press(selector, 'Enter');
}

// A figure as the page writes it ("587.8 mV", "-3.0 dBV", "2 kHz", "\u2212750 mV") as a
// number in the base unit; NaN for "-" or anything else.
const PREFIX = { p: 1e-12, n: 1e-9, '\u00b5': 1e-6, u: 1e-6, m: 1e-3, '': 1, k: 1e3, M: 1e6, G: 1e9 };
export function parseSi(text) {
  const m = String(text).trim().replace('\u2212', '-')
    .match(/^([-+]?\d+(?:\.\d+)?(?:e[-+]?\d+)?)\s*([pn\u00b5umkMG]?)(?:V|s|Hz|%|dBV)$/);
  if (!m) return NaN;
  return Number(m[1]) * PREFIX[m[2]];
}

export const near = (actual, expected, tolerance) => Math.abs(actual - expected) <= tolerance;

// A view on the simulated instrument for the length of `body`, stopped after it.
export async function withView(browser, tool, simulate, body) {
  const view = await startView(tool, simulate);
  try {
    await body(await openView(browser, view.url));
  } finally {
    await view.stop();
  }
}

// A key pressed with the focus on the page, not in a field or on a button.
export async function key(page, name) {
  await page.evaluate(() => document.activeElement && document.activeElement.blur());
  await page.keyboard.press(name);
}

export async function waitText(page, selector, pattern, timeout = 10000) {
  await page.waitForFunction(([s, p]) => {
    const el = document.querySelector(s);
    return el && new RegExp(p).test(el.innerText);
  }, [selector, pattern.source], { timeout });
  return page.locator(selector).innerText();
}
