// SPDX-License-Identifier: MIT
// The spectrum of the record shown: magnitude in dBV of each channel against frequency from
// 0 to half the sample rate, linear or logarithmic, with the window chosen, and the highest
// peak of each channel written as text. The server computes it; this draws what it sends,
// fetching one spectrum at a time (the newest record wins when records come faster).
import { plotArea } from './screen.js';
import { COLOURS, on, say, si, view } from './state.js';

const box = document.getElementById('spectrum-box');
const canvas = document.getElementById('spectrum');
const ctx = canvas.getContext('2d');
const MARGIN = { left: 46, right: 12, top: 8, bottom: 24 };
const WINDOW_NAMES = { hann: 'Hann', flattop: 'flat-top', rect: 'rectangular' };
const spectrum = view.spectrum;

let asking = false;
let wanted = null;  // {seq, window} to fetch next

async function fetchNext() {
  if (asking || !wanted) return;
  const { seq, window } = wanted;
  wanted = null;
  asking = true;
  try {
    const response = await fetch('/api/spectrum?seq=' + seq + '&window=' + window);
    const answer = await response.json();
    if (!spectrum.on) return;
    if (response.ok) {
      spectrum.data = answer;
      spectrum.count++;
      drawSpectrum(answer);
    } else if (!wanted) {
      say('spectrum: ' + answer.error);
    }
  } catch (e) {
    say('spectrum: the view did not answer (' + e.message + ')');
  } finally {
    asking = false;
    fetchNext();
  }
}

function ask() {
  if (!spectrum.on || !view.record) return;
  wanted = { seq: view.record.seq, window: spectrum.window };
  fetchNext();
}

export function setSpectrum(onNow) {
  spectrum.on = onNow;
  box.hidden = !onNow;
  document.getElementById('spectrum-toggle').setAttribute('aria-pressed', String(onNow));
  if (!onNow) spectrum.data = null;
  ask();
}
export const toggleSpectrum = () => setSpectrum(!spectrum.on);

export function buildSpectrum() {
  document.getElementById('spectrum-toggle').addEventListener('click', toggleSpectrum);
  const choice = document.getElementById('spectrum-window');
  choice.addEventListener('change', () => {
    spectrum.window = choice.value;
    ask();
  });
  const log = document.getElementById('spectrum-log');
  log.addEventListener('change', () => {
    spectrum.log = log.checked;
    if (spectrum.data) drawSpectrum(spectrum.data);
  });
}
on('shown', ask);

// ---- Drawing.

function frequencyAxis(a, data) {
  const top = data.rate / 2;
  if (!spectrum.log) {
    return { lo: 0, hi: top, x: (f) => a.x + (f / top) * a.w };
  }
  const lo = data.binHz;
  const span = Math.log10(top / lo);
  return { lo, hi: top, x: (f) => a.x + (Math.log10(f / lo) / span) * a.w };
}

// Tick frequencies: decades on a logarithmic axis, 1-2-5 steps on a linear one.
function ticks(axis) {
  const out = [];
  if (spectrum.log) {
    for (let f = 10 ** Math.ceil(Math.log10(axis.lo)); f <= axis.hi; f *= 10) out.push(f);
    return out;
  }
  const raw = axis.hi / 5;
  const e = 10 ** Math.floor(Math.log10(raw));
  const step = [1, 2, 5, 10].map((m) => m * e).find((s) => s >= raw);
  for (let f = 0; f <= axis.hi * (1 + 1e-9); f += step) out.push(f);
  return out;
}

// One channel's magnitudes. Bins that share a pixel column are drawn as one filled column
// from their lowest to their highest (reaching back to the column before, so the trace stays
// joined), so a narrow peak never falls between columns and the cost follows the screen's
// width; where bins lie further apart than a column (the low end of a logarithmic axis) they
// are joined by lines.
function drawChannel(a, axis, dBV, y, colour) {
  ctx.fillStyle = ctx.strokeStyle = colour;
  ctx.lineWidth = 1.2;
  ctx.beginPath();
  let column = -2;
  let lo = 0;
  let hi = 0;
  let last = NaN;  // the level of the bin before
  const flush = () => {
    const top = Math.round(y(hi));
    ctx.fillRect(a.x + column, top, 1, Math.round(y(lo)) - top + 1);
  };
  for (let k = spectrum.log ? 1 : 0; k < dBV.length; k++) {
    const c = Math.floor(axis.x(k * axis.binHz) - a.x);
    const v = dBV[k];
    if (c === column) {
      if (v < lo) lo = v;
      else if (v > hi) hi = v;
      last = v;
      continue;
    }
    if (column >= 0) flush();
    if (c > column + 1 && column >= 0) {
      ctx.moveTo(a.x + column + 0.5, y(last));
      ctx.lineTo(a.x + c + 0.5, y(v));
      lo = hi = v;
    } else {
      lo = Number.isNaN(last) ? v : Math.min(v, last);
      hi = Number.isNaN(last) ? v : Math.max(v, last);
    }
    column = c;
    last = v;
  }
  if (column >= 0) flush();
  ctx.stroke();
}

export function drawSpectrum(data) {
  ctx.fillStyle = '#000';
  ctx.fillRect(0, 0, canvas.width, canvas.height);
  const a = plotArea(canvas, MARGIN);
  const axis = frequencyAxis(a, data);
  axis.binHz = data.binHz;
  let highest = -200;
  for (const c of data.channels) highest = Math.max(highest, c.peak ? c.peak.dBV : -200);
  const topDb = Math.ceil((highest + 5) / 20) * 20;
  const rangeDb = 140;
  const y = (db) => a.y + Math.min(1, Math.max(0, (topDb - db) / rangeDb)) * a.h;
  ctx.strokeStyle = '#3a3a3a';
  ctx.fillStyle = '#aaa';
  ctx.lineWidth = 1;
  ctx.font = '11px system-ui, sans-serif';
  ctx.beginPath();
  ctx.textBaseline = 'middle';
  ctx.textAlign = 'right';
  for (let db = topDb; db >= topDb - rangeDb; db -= 20) {
    const yy = Math.round(y(db)) + 0.5;
    ctx.moveTo(a.x, yy);
    ctx.lineTo(a.x + a.w, yy);
    ctx.fillText(String(db), a.x - 4, yy);
  }
  ctx.textBaseline = 'top';
  ctx.textAlign = 'center';
  for (const f of ticks(axis)) {
    const x = Math.round(axis.x(f)) + 0.5;
    ctx.moveTo(x, a.y);
    ctx.lineTo(x, a.y + a.h);
    ctx.fillText(si(f, 'Hz', 3), Math.min(Math.max(x, a.x + 16), a.x + a.w - 16), a.y + a.h + 5);
  }
  ctx.stroke();
  ctx.textAlign = 'left';
  for (const c of data.channels) drawChannel(a, axis, c.dBV, y, COLOURS[c.channel]);
  showText(data, axis);
}

function showText(data, axis) {
  document.getElementById('spectrum-axis').textContent = 'record ' + data.seq + ', ' +
    WINDOW_NAMES[data.window] + ' window, ' + si(axis.lo, 'Hz') + ' to ' + si(axis.hi, 'Hz') +
    (spectrum.log ? ' (logarithmic)' : '') + ', dBV; ' + si(data.binHz, 'Hz') + ' per bin';
  const peaks = document.getElementById('spectrum-peaks');
  peaks.replaceChildren(...data.channels.map((c) => {
    const line = document.createElement('li');
    line.className = 'ch' + c.channel;
    line.textContent = 'CH' + c.channel + ' ' + (c.peak ? c.peak.text : 'no peak');
    return line;
  }));
}
