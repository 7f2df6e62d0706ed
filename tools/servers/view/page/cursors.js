// SPDX-License-Identifier: MIT
// Two time cursors and two voltage cursors: switched on by the Cursors button, dragged on the
// screen or typed into their inputs, with a readout of Δt, 1/Δt, ΔV and each trace's value at
// t1 and t2 taken from the record's samples (not from the pixels).
import { addGrabber, addOverlay, shownTraces, timeToX, timeWindow, voltToY, xToTime, yToVolt } from './screen.js';
import { firstTime, lastTime, valueAt } from './record.js';
import { COLOURS, MATH_NAMES, on, parseNumber, requestDraw, say, si, view } from './state.js';

const NAMES = ['t1', 't2', 'v1', 'v2'];
const cursors = view.cursors;
const isTime = (name) => name[0] === 't';

// The trace the voltage cursors are read on.
function voltTrace(record) {
  return shownTraces(record).find((t) => t.channel === cursors.channel) || record.traces[0];
}
const traceName = (t) => t.label || 'channel ' + t.channel;

// Where a cursor may go on this record: the record's first to last sample, the trace's range.
function limits(record, name) {
  if (isTime(name)) return [firstTime(record), lastTime(record)];
  const t = voltTrace(record);
  return [-t.range, t.range];
}

const input = (name) => document.getElementById('cursor-' + name);
const unit = (name) => (isTime(name) ? 's' : 'V');

function showInputs() {
  for (const name of NAMES) {
    if (document.activeElement !== input(name)) input(name).value = si(cursors[name], unit(name), 5);
  }
}

// Typed: a number within the record, or a sentence on the page and no change.
function typed(name) {
  const text = input(name).value;
  const value = parseNumber(text, unit(name));
  const record = view.record;
  let problem = '';
  if (Number.isNaN(value)) {
    problem = 'cursor ' + name + ' takes ' + (isTime(name) ? 'a time in seconds from the trigger point' :
      'a voltage') + ' (such as ' + (isTime(name) ? '0.0005 or 500 \u00b5s' : '0.5 or 500 mV') +
      '), not "' + text + '"';
  } else if (record) {
    const [lo, hi] = limits(record, name);
    if (value < lo || value > hi) {
      problem = 'cursor ' + name + ' must lie within ' + (isTime(name) ? 'the record' :
        traceName(voltTrace(record)) + "'s range") + ', from ' + si(lo, unit(name)) + ' to ' +
        si(hi, unit(name)) + '; ' + si(value, unit(name)) + ' is outside it';
    }
  }
  if (problem) {
    say(problem);
  } else {
    say('');
    cursors[name] = value;
  }
  input(name).value = si(cursors[name], unit(name), 5);
  showReadout();
  requestDraw();
}

function cell(id, text) {
  document.getElementById(id).textContent = text;
}

// The readout of the record shown.
function showReadout() {
  const record = view.record;
  const body = document.querySelector('#cursor-values tbody');
  if (!cursors.on || !record) {
    body.replaceChildren();
    return;
  }
  const dt = cursors.t2 - cursors.t1;
  cell('readout-dt', si(dt, 's'));
  cell('readout-inverse', dt === 0 ? '-' : si(1 / Math.abs(dt), 'Hz'));
  cell('readout-dv', si(cursors.v2 - cursors.v1, 'V'));
  cell('readout-dv-trace', 'on ' + traceName(voltTrace(record)));
  body.replaceChildren();
  for (const t of shownTraces(record)) {
    const row = body.insertRow();
    row.className = t.channel === 'math' ? 'math' : 'ch' + t.channel;
    row.insertCell().textContent = t.label || 'CH' + t.channel;
    row.insertCell().textContent = si(valueAt(record, t, cursors.t1), 'V');
    row.insertCell().textContent = si(valueAt(record, t, cursors.t2), 'V');
  }
}

// Switched on, the cursors start inside the window shown, at a fifth and seven tenths of it
// (half the window apart), and two divisions either side of 0 V.
function place(record) {
  const w = timeWindow(record);
  const snap = (t) => Math.round(t * record.rate) / record.rate;
  cursors.t1 = snap(w.from + 0.2 * (w.to - w.from));
  cursors.t2 = snap(w.from + 0.7 * (w.to - w.from));
  const perDiv = voltTrace(record).voltsPerDiv;
  cursors.v1 = 2 * perDiv;
  cursors.v2 = -2 * perDiv;
}

export function setCursors(onNow) {
  cursors.on = onNow;
  if (onNow && view.record) place(view.record);
  const button = document.getElementById('cursors');
  button.setAttribute('aria-pressed', String(onNow));
  document.getElementById('cursor-box').hidden = !onNow;
  showInputs();
  showReadout();
  requestDraw();
}
export const toggleCursors = () => setCursors(!cursors.on);

function fillChannels() {
  const select = document.getElementById('cursor-channel');
  const wanted = [['1', 'channel 1'], ['2', 'channel 2']];
  if (view.math !== 'off') wanted.push(['math', MATH_NAMES[view.math]]);
  if (select.options.length === wanted.length && [...select.options].every((o, i) => o.text === wanted[i][1])) return;
  select.replaceChildren(...wanted.map(([v, text]) => new Option(text, v)));
  select.value = String(cursors.channel);
  if (select.value === '') select.value = '1';
}

export function buildCursors() {
  document.getElementById('cursors').addEventListener('click', toggleCursors);
  for (const name of NAMES) input(name).addEventListener('change', () => typed(name));
  const select = document.getElementById('cursor-channel');
  fillChannels();
  select.addEventListener('change', () => {
    cursors.channel = select.value === 'math' ? 'math' : Number(select.value);
    showReadout();
    requestDraw();
  });
}
on('shown', () => {
  fillChannels();
  showReadout();
});
on('math', () => {
  fillChannels();
  if (cursors.channel === 'math' && view.math === 'off') cursors.channel = 1;
  showReadout();
});

addOverlay((ctx, a, record) => {
  if (!cursors.on) return;
  const trace = voltTrace(record);
  ctx.save();
  ctx.setLineDash([5, 4]);
  ctx.lineWidth = 1;
  ctx.font = '12px system-ui, sans-serif';
  ctx.textBaseline = 'top';
  ctx.strokeStyle = ctx.fillStyle = '#e0e0e0';
  for (const name of ['t1', 't2']) {
    const x = Math.round(timeToX(record, a, cursors[name])) + 0.5;
    if (x < a.x || x > a.x + a.w) continue;
    ctx.beginPath();
    ctx.moveTo(x, a.y);
    ctx.lineTo(x, a.y + a.h);
    ctx.stroke();
    ctx.fillText(name, x + 3, a.y + 12);
  }
  ctx.strokeStyle = ctx.fillStyle = COLOURS[trace.channel];
  for (const name of ['v1', 'v2']) {
    const y = Math.round(voltToY(a, trace.voltsPerDiv, cursors[name])) + 0.5;
    if (y < a.y || y > a.y + a.h) continue;
    ctx.beginPath();
    ctx.moveTo(a.x, y);
    ctx.lineTo(a.x + a.w, y);
    ctx.stroke();
    ctx.fillText(name, a.x + 4, y + 2);
  }
  ctx.restore();
});

// A cursor line within a few pixels of the pointer is dragged, held inside the record.
addGrabber(1, (p, a, record) => {
  if (!cursors.on || view.xy) return null;
  const trace = voltTrace(record);
  const near = NAMES.find((name) => (isTime(name) ?
    Math.abs(p.x - timeToX(record, a, cursors[name])) <= 6 :
    Math.abs(p.y - voltToY(a, trace.voltsPerDiv, cursors[name])) <= 6));
  if (!near) return null;
  const move = (q) => {
    const [lo, hi] = limits(record, near);
    const value = isTime(near) ? xToTime(record, a, q.x) : yToVolt(a, trace.voltsPerDiv, q.y);
    const v = Math.min(hi, Math.max(lo, value));
    cursors[near] = isTime(near) ? Math.round(v * record.rate) / record.rate : Number(v.toPrecision(4));
    input(near).value = si(cursors[near], unit(near), 5);
    showReadout();
    requestDraw();
  };
  return { move, end: move };
});
