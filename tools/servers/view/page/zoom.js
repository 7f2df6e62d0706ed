// SPDX-License-Identifier: MIT
// Zoom and pan of the time axis: the wheel zooms about the pointer, dragging the screen pans,
// a double-click or Fit shows the whole record again; buttons and keys do the same from the
// keyboard. The window shown and its time per division are written under the screen.
import { DIVX, addGrabber, canvas, canvasPoint, fitWindow, plotArea, timeWindow, xToTime } from './screen.js';
import { on, requestDraw, si, view } from './state.js';
import { traceOf } from './record.js';

// Ten samples across the screen at the closest.
const minSpan = (record) => 10 / record.rate;

// The zoom belongs to a time base: a record taken with another rate, length or trigger point
// shows whole again.
let zoomedOn = '';
const timeBase = (record) => record.rate + '/' + record.length + '/' + record.pre;

function setWindow(record, from, to) {
  const fit = fitWindow(record);
  const span = Math.min(fit.to - fit.from, Math.max(minSpan(record), to - from));
  if (span >= (fit.to - fit.from) * (1 - 1e-9)) {
    view.zoom = null;
  } else {
    from = Math.min(fit.to - span, Math.max(fit.from, from));
    view.zoom = { from, to: from + span };
    zoomedOn = timeBase(record);
  }
  showWindow();
  requestDraw();
}

// Zooms by `factor` (below 1: closer) keeping time t where it is on the screen.
export function zoomAbout(t, factor) {
  const record = view.record;
  if (!record || view.xy) return;
  const w = timeWindow(record);
  const whole = fitWindow(record);
  const fitSpan = whole.to - whole.from;
  const span = Math.min(fitSpan, Math.max(minSpan(record), (w.to - w.from) * factor));
  const from = t - ((t - w.from) * span) / (w.to - w.from);
  setWindow(record, from, from + span);
}

export function zoomCentre(factor) {
  if (!view.record) return;
  const w = timeWindow(view.record);
  zoomAbout((w.from + w.to) / 2, factor);
}

// Moves the window by `divisions` of its own width.
export function pan(divisions) {
  const record = view.record;
  if (!record || !view.zoom || view.xy) return;
  const w = view.zoom;
  const shift = ((w.to - w.from) * divisions) / DIVX;
  setWindow(record, w.from + shift, w.to + shift);
}

// Shows the window from..to of the record on screen (a decoded frame chosen in its table).
export function zoomTo(from, to) {
  if (view.record && !view.xy) setWindow(view.record, from, to);
}

export function fit() {
  view.zoom = null;
  showWindow();
  requestDraw();
}

// The time per division of the picture on screen, as the screen's labels write it.
export function timeText(record) {
  if (!view.zoom) return record.timeLabel;
  return si((view.zoom.to - view.zoom.from) / DIVX, 's', 3) + '/div';
}

function showWindow() {
  const record = view.record;
  const text = document.getElementById('window-text');
  if (!record) return;
  if (view.xy) {
    const h = traceOf(record, 1);
    const v = traceOf(record, 2);
    text.textContent = h && v ? 'XY: channel 1 across at ' + h.perDivLabel + ', channel 2 up at ' +
      v.perDivLabel : 'XY needs both channels on';
    return;
  }
  const w = timeWindow(record);
  text.textContent = (view.zoom ? 'zoomed: ' : 'whole record: ') + 'from ' + si(w.from, 's') +
    ' to ' + si(w.to, 's') + ', ' + timeText(record);
}

// A new record keeps the zoom when its time base is the same; otherwise it shows whole.
export function followRecord(record) {
  if (view.zoom && timeBase(record) !== zoomedOn) view.zoom = null;
}
on('shown', showWindow);
on('xy', showWindow);

export function buildZoom() {
  document.getElementById('fit').addEventListener('click', fit);
  document.getElementById('zoom-in').addEventListener('click', () => zoomCentre(0.5));
  document.getElementById('zoom-out').addEventListener('click', () => zoomCentre(2));
  document.getElementById('pan-left').addEventListener('click', () => pan(-2));
  document.getElementById('pan-right').addEventListener('click', () => pan(2));
  canvas.addEventListener('wheel', (e) => {
    if (!view.record || view.xy) return;
    e.preventDefault();
    const t = xToTime(view.record, plotArea(), canvasPoint(e).x);
    zoomAbout(t, e.deltaY > 0 ? 1.25 : 0.8);
  }, { passive: false });
  canvas.addEventListener('dblclick', fit);
}

// Dragging anywhere else on the screen pans a zoomed picture.
addGrabber(9, (p, a, record) => {
  if (!view.zoom || view.xy || p.x < a.x || p.x > a.x + a.w) return null;
  const start = { x: p.x, zoom: view.zoom };
  const move = (q) => {
    const span = start.zoom.to - start.zoom.from;
    const shift = -((q.x - start.x) / a.w) * span;
    setWindow(record, start.zoom.from + shift, start.zoom.to + shift);
  };
  return { move, end: move };
});
