// SPDX-License-Identifier: MIT
// The keyboard: space runs or stops, s takes a single record, a runs Auto, the left and right
// arrows step through the kept records while stopped (with Shift they pan a zoomed screen),
// + and - zoom, f fits the whole record, c switches the cursors, x the XY picture and
// p the spectrum, r keeps the record shown as a reference. Keys typed into a field stay in the
// field.
import { runAuto, runOrStop, setAcquire } from './controls.js';
import { fit, pan, zoomCentre } from './zoom.js';
import { step } from './history.js';
import { toggleCursors } from './cursors.js';
import { toggleSpectrum } from './spectrum.js';
import { toggleXY } from './xymath.js';
import { keepShown } from './reference.js';

const ACTIONS = {
  ' ': runOrStop,
  s: () => setAcquire('single'),
  a: runAuto,
  ArrowLeft: () => step(-1),
  ArrowRight: () => step(+1),
  'Shift+ArrowLeft': () => pan(-2),
  'Shift+ArrowRight': () => pan(2),
  '+': () => zoomCentre(0.5),
  '=': () => zoomCentre(0.5),
  '-': () => zoomCentre(2),
  f: fit,
  c: toggleCursors,
  x: toggleXY,
  p: toggleSpectrum,
  r: keepShown,
};

// A key of a module of its own (statistics, trend): pressed with the focus on the page.
export const addKey = (key, action) => { ACTIONS[key] = action; };

// A switch of a module of its own on the view bar, with its key: a button that says whether
// its part is shown, and the key that does the same.
export function addToggle(id, text, key, action) {
  const toggle = document.createElement('button');
  toggle.id = id;
  toggle.textContent = text;
  toggle.setAttribute('aria-pressed', 'false');
  toggle.setAttribute('aria-keyshortcuts', key.toUpperCase());
  toggle.addEventListener('click', action);
  document.getElementById('view-bar').append(toggle);
  addKey(key, action);
}

export function buildKeys() {
  document.addEventListener('keydown', (e) => {
    if (e.ctrlKey || e.metaKey || e.altKey || e.defaultPrevented) return;
    const target = e.target;
    if (target.closest && target.closest('input, select, textarea')) return;
    // Space and Enter on a focused button press that button.
    if (e.key === ' ' && target.closest && target.closest('button, a')) return;
    const key = e.shiftKey && e.key.startsWith('Arrow') ? 'Shift+' + e.key : e.key;
    const action = ACTIONS[key.length === 1 ? key.toLowerCase() : key];
    if (!action) return;
    e.preventDefault();
    action();
  });
}
