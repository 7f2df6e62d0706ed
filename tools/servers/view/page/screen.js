// SPDX-License-Identifier: MIT
// The oscilloscope screen: graticule, traces, trigger markers and labels on the canvas, the
// time window it shows, the XY picture, and the pointer on the canvas handed to whichever
// module grabs it (trigger marker, cursors, panning).
import { COLOURS, view } from './state.js';
import { mathTrace, traceOf } from './record.js';

export const canvas = document.getElementById('screen');
const ctx = canvas.getContext('2d');
export const DIVX = 10;
export const DIVY = 8;
const GRID = '#3a3a3a';
const MARGIN = { left: 10, right: 16, top: 10, bottom: 46 };

// The part of a canvas inside its margins ({left, right, top, bottom}) where the plot goes;
// the screen's own without arguments.
export function plotArea(c = canvas, margin = MARGIN) {
  return { x: margin.left, y: margin.top, w: c.width - margin.left - margin.right,
    h: c.height - margin.top - margin.bottom };
}

// ---- The time window: the whole record is ten divisions of the record's time per division
// from its first sample; a zoom shows part of it.

export function fitWindow(record) {
  const from = -record.pre / record.rate;
  return { from, to: from + DIVX * record.timePerDiv };
}
export const timeWindow = (record) => view.zoom || fitWindow(record);

export function timeToX(record, a, t) {
  const w = timeWindow(record);
  return a.x + ((t - w.from) / (w.to - w.from)) * a.w;
}
export function xToTime(record, a, x) {
  const w = timeWindow(record);
  return w.from + ((x - a.x) / a.w) * (w.to - w.from);
}
export const voltToY = (a, voltsPerDiv, v) => a.y + a.h / 2 - (v * a.h) / (DIVY * voltsPerDiv);
export const yToVolt = (a, voltsPerDiv, y) => ((a.y + a.h / 2 - y) * DIVY * voltsPerDiv) / a.h;

// The traces on screen: the channels, then the math trace when chosen.
export function shownTraces(record) {
  const math = mathTrace(record, view.math);
  return math ? [...record.traces, math] : record.traces;
}

// ---- Drawing.

function drawGraticule(a) {
  ctx.strokeStyle = GRID;
  ctx.lineWidth = 1;
  ctx.beginPath();
  for (let i = 0; i <= DIVX; i++) {
    const x = Math.round(a.x + (a.w * i) / DIVX) + 0.5;
    ctx.moveTo(x, a.y);
    ctx.lineTo(x, a.y + a.h);
  }
  for (let i = 0; i <= DIVY; i++) {
    const y = Math.round(a.y + (a.h * i) / DIVY) + 0.5;
    ctx.moveTo(a.x, y);
    ctx.lineTo(a.x + a.w, y);
  }
  ctx.stroke();
  ctx.strokeStyle = '#666';
  ctx.beginPath();
  ctx.moveTo(a.x, a.y + a.h / 2 + 0.5);
  ctx.lineTo(a.x + a.w, a.y + a.h / 2 + 0.5);
  ctx.stroke();
}

// One trace over the time window. Where the window holds more samples than the screen has
// columns, each column is drawn from its lowest to its highest sample, so every peak stays
// visible at any zoom and the cost follows the screen's width, not the record's length.
// `w`: the time window (another record's, for the traces drawn behind the one shown).
export function drawTrace(a, record, trace, w = timeWindow(record)) {
  const volts = trace.volts;
  const n = volts.length;
  if (n === 0 || !(record.rate > 0)) return;
  const pxPerSample = a.w / ((w.to - w.from) * record.rate);
  const x0 = a.x + ((-record.pre / record.rate - w.from) / (w.to - w.from)) * a.w;  // sample 0
  const first = Math.max(0, Math.floor((a.x - x0) / pxPerSample) - 1);
  const last = Math.min(n - 1, Math.ceil((a.x + a.w - x0) / pxPerSample) + 1);
  if (first > last) return;
  const top = a.y;
  const bottom = a.y + a.h;
  const mid = a.y + a.h / 2;
  const yPerVolt = a.h / (DIVY * trace.voltsPerDiv);
  const clampY = (v) => Math.min(bottom, Math.max(top, mid - v * yPerVolt));
  const colour = trace.colour || COLOURS[trace.channel];
  if (pxPerSample >= 1) {
    ctx.save();
    ctx.beginPath();
    ctx.rect(a.x, a.y - 1, a.w + 1, a.h + 2);
    ctx.clip();
    ctx.strokeStyle = colour;
    ctx.lineWidth = 1.2;
    ctx.beginPath();
    ctx.moveTo(x0 + first * pxPerSample, clampY(volts[first]));
    for (let i = first + 1; i <= last; i++) ctx.lineTo(x0 + i * pxPerSample, clampY(volts[i]));
    ctx.stroke();
    ctx.restore();
    return;
  }
  // Each column also reaches back to the last sample of the column before, so that the trace
  // stays joined.
  ctx.fillStyle = colour;
  const offset = x0 - a.x;
  let column = Math.floor(offset + first * pxPerSample);
  let lo = volts[first];
  let hi = lo;
  for (let i = first + 1; i <= last + 1; i++) {
    const c = i <= last ? Math.floor(offset + i * pxPerSample) : -2;
    if (c !== column) {
      if (column >= 0 && column < a.w) {
        const yTop = Math.round(clampY(hi));
        ctx.fillRect(a.x + column, yTop, 1, Math.round(clampY(lo)) - yTop + 1);
      }
      if (i > last) break;
      column = c;
      lo = Math.min(volts[i - 1], volts[i]);
      hi = Math.max(volts[i - 1], volts[i]);
    } else {
      const v = volts[i];
      if (v < lo) lo = v;
      if (v > hi) hi = v;
    }
  }
}

// The level the marker shows: the one being dragged, else what the instrument has now for the
// newest record, else the level the shown record was taken with.
export function triggerLevel(record) {
  if (view.dragLevel !== null) return view.dragLevel;
  const now = view.state && view.state.settings['trigger.level'];
  if (record.live && record.seq === view.lastSeq && typeof now === 'number') return now;
  return record.trigger.level;
}
export function triggerTrace(record) {
  const source = record.trigger.source;
  if (source === 'none' || source === 'ext') return null;
  return traceOf(record, source === 'ch2' ? 2 : 1) || null;
}

function drawMarkers(a, record) {
  ctx.fillStyle = '#ff7043';
  const tx = timeToX(record, a, 0);
  if (tx >= a.x - 6 && tx <= a.x + a.w + 6) {
    ctx.beginPath();
    ctx.moveTo(tx - 6, a.y);
    ctx.lineTo(tx + 6, a.y);
    ctx.lineTo(tx, a.y + 9);
    ctx.fill();
  }
  const trace = triggerTrace(record);
  const level = triggerLevel(record);
  if (!trace || level === null) return;
  const y = voltToY(a, trace.voltsPerDiv, level);
  if (y < a.y || y > a.y + a.h) return;
  ctx.beginPath();
  ctx.moveTo(a.x + a.w + 1, y);
  ctx.lineTo(a.x + a.w + 12, y - 6);
  ctx.lineTo(a.x + a.w + 12, y + 6);
  ctx.fill();
  if (view.dragLevel !== null) {
    ctx.strokeStyle = '#ff7043';
    ctx.setLineDash([4, 4]);
    ctx.beginPath();
    ctx.moveTo(a.x, y);
    ctx.lineTo(a.x + a.w, y);
    ctx.stroke();
    ctx.setLineDash([]);
  }
}

function drawLabels(a, record, timeText) {
  ctx.font = '13px system-ui, sans-serif';
  ctx.textBaseline = 'top';
  let x = a.x;
  const y = a.y + a.h + 8;
  for (const t of shownTraces(record)) {
    ctx.fillStyle = COLOURS[t.channel];
    const text = (t.label || 'CH' + t.channel) + ' ' + t.perDivLabel;
    ctx.fillText(text, x, y);
    x += ctx.measureText(text).width + 24;
  }
  ctx.fillStyle = '#e6e6e6';
  ctx.fillText(timeText, x, y);
  x += ctx.measureText(timeText).width + 24;
  const trig = record.trigger;
  ctx.fillStyle = '#ff7043';
  ctx.fillText('trig ' + trig.source + ' ' + (trig.slope === 'falling' ? '\u2193' : '\u2191') +
    (record.forced ? ' (forced)' : ''), x, y);
  ctx.fillStyle = '#aaa';
  ctx.fillText(record.rateLabel + ', ' + record.length + ' samples, record ' + record.seq, a.x, y + 18);
}

// Channel 1 across, channel 2 up, each on its own volts per division about the centre.
function drawXY(a, record) {
  const h = traceOf(record, 1);
  const v = traceOf(record, 2);
  ctx.font = '13px system-ui, sans-serif';
  ctx.textBaseline = 'top';
  if (!h || !v) {
    ctx.fillStyle = '#e6e6e6';
    ctx.fillText('XY needs both channels on', a.x + 8, a.y + 8);
    return;
  }
  const cx = a.x + a.w / 2;
  const cy = a.y + a.h / 2;
  const xPerVolt = a.w / (DIVX * h.voltsPerDiv);
  const yPerVolt = a.h / (DIVY * v.voltsPerDiv);
  ctx.save();
  ctx.beginPath();
  ctx.rect(a.x, a.y, a.w, a.h);
  ctx.clip();
  ctx.strokeStyle = COLOURS.math;
  ctx.lineWidth = 1.2;
  ctx.beginPath();
  const n = Math.min(h.volts.length, v.volts.length);
  for (let i = 0; i < n; i++) {
    const x = cx + h.volts[i] * xPerVolt;
    const y = cy - v.volts[i] * yPerVolt;
    if (i === 0) ctx.moveTo(x, y);
    else ctx.lineTo(x, y);
  }
  ctx.stroke();
  ctx.restore();
  const y = a.y + a.h + 8;
  ctx.fillStyle = COLOURS[1];
  ctx.fillText('X: CH1 ' + h.perDivLabel, a.x, y);
  ctx.fillStyle = COLOURS[2];
  ctx.fillText('Y: CH2 ' + v.perDivLabel, a.x + 160, y);
  ctx.fillStyle = '#aaa';
  ctx.fillText(record.rateLabel + ', ' + record.length + ' samples, record ' + record.seq, a.x, y + 18);
}

// Drawn over the traces by other modules (the cursors): fn(ctx, plotArea, record).
const overlays = [];
export function addOverlay(fn) {
  overlays.push(fn);
}
// Drawn behind them (references, persistence): fn(ctx, plotArea, record).
const underlays = [];
export function addUnderlay(fn) {
  underlays.push(fn);
}

// timeText: the time per division of the window shown, as the labels write it.
export function drawScreen(record, timeText = record.timeLabel) {
  ctx.fillStyle = '#000';
  ctx.fillRect(0, 0, canvas.width, canvas.height);
  const a = plotArea();
  drawGraticule(a);
  if (view.xy) {
    drawXY(a, record);
    return;
  }
  for (const fn of underlays) fn(ctx, a, record);
  for (const trace of shownTraces(record)) drawTrace(a, record, trace);
  drawMarkers(a, record);
  for (const fn of overlays) fn(ctx, a, record);
  drawLabels(a, record, timeText);
}

// Where a point of the record shown falls, in the canvas's pixels (x, y) and the page's
// (clientX, clientY): time t in s from the trigger (or 'marker', the trigger level's column)
// and v volts on `channel`; in XY, ch1 and ch2 volts. For tests that point at the screen.
view.pointOnScreen = ({ t, v = 0, channel = 1, ch1 = 0, ch2 = 0 }) => {
  const record = view.record;
  const a = plotArea();
  let x;
  let y;
  if (view.xy) {
    x = a.x + a.w / 2 + (ch1 * a.w) / (DIVX * traceOf(record, 1).voltsPerDiv);
    y = voltToY(a, traceOf(record, 2).voltsPerDiv, ch2);
  } else {
    const trace = shownTraces(record).find((tr) => tr.channel === channel);
    x = t === 'marker' ? a.x + a.w + 6 : timeToX(record, a, t);
    y = voltToY(a, trace.voltsPerDiv, v);
  }
  const box = contentBox();
  return { x, y, clientX: box.left + (x * box.width) / canvas.width,
    clientY: box.top + (y * box.height) / canvas.height };
};

// ---- The pointer. A grabber is fn(point, area, record) returning a drag {move(p), end(p)}
// or null; the first (lowest rank) that grabs gets the drag.

const grabbers = [];
export function addGrabber(rank, fn) {
  grabbers.push({ rank, fn });
  grabbers.sort((x, y) => x.rank - y.rank);
}

// The canvas's pixels on the page, inside its border.
function contentBox() {
  const box = canvas.getBoundingClientRect();
  return { left: box.left + canvas.clientLeft, top: box.top + canvas.clientTop,
    width: canvas.clientWidth, height: canvas.clientHeight };
}

export function canvasPoint(e) {
  const box = contentBox();
  return { x: ((e.clientX - box.left) * canvas.width) / box.width,
    y: ((e.clientY - box.top) * canvas.height) / box.height };
}

let drag = null;
canvas.addEventListener('pointerdown', (e) => {
  if (!view.record || e.button !== 0) return;
  const p = canvasPoint(e);
  for (const g of grabbers) {
    drag = g.fn(p, plotArea(), view.record);
    if (drag) {
      canvas.setPointerCapture(e.pointerId);
      e.preventDefault();
      return;
    }
  }
});
canvas.addEventListener('pointermove', (e) => {
  if (drag) drag.move(canvasPoint(e));
});
const release = (e) => {
  if (!drag) return;
  const d = drag;
  drag = null;
  d.end(canvasPoint(e));
};
canvas.addEventListener('pointerup', release);
canvas.addEventListener('pointercancel', release);
