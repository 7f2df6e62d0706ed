// SPDX-License-Identifier: MIT
// Under the screen: the figures of each trace of the record shown (the server computes them),
// the math trace's in a row of its own.
import { MATH_NAMES, on, view } from './state.js';

export const FIGURE_COLUMNS = [['min', 'min'], ['max', 'max'], ['mean', 'mean'], ['pp', 'p-p'], ['rms', 'RMS'],
  ['freq', 'frequency'], ['period', 'period'], ['duty', 'duty cycle'], ['rise', 'rise time'],
  ['fall', 'fall time']];

function row(body, className, label, figures) {
  const tr = body.insertRow();
  tr.className = className;
  tr.insertCell().textContent = label;
  for (const [key] of FIGURE_COLUMNS) tr.insertCell().textContent = figures[key] !== undefined ? figures[key] : '-';
}

function showFigures(record) {
  const body = document.querySelector('#figures tbody');
  body.replaceChildren();
  for (const t of record.traces) row(body, 'ch' + t.channel, t.label || 'CH' + t.channel, t.figures);
  const math = view.math !== 'off' && record.math ? record.math[view.math] : null;
  if (math) row(body, 'math', MATH_NAMES[view.math], math);
}

export function buildFigures() {
  const head = document.querySelector('#figures thead tr');
  head.replaceChildren(document.createElement('th'));
  for (const [, label] of FIGURE_COLUMNS) {
    const th = document.createElement('th');
    th.textContent = label;
    head.append(th);
  }
}
on('shown', showFigures);
on('math', () => {
  if (view.record) showFigures(view.record);
});
