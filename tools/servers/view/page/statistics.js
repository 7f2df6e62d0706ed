// SPDX-License-Identifier: MIT
// The Statistics switch (button and key M) and Reset (key R): under the figures, each figure's
// count, mean, minimum, maximum and standard deviation over the records taken since the last
// reset, as the server counts them. They follow the records as they come, not the steps back
// through the kept ones; a change of settings resets them and the note under the table says so.
import { MATH_NAMES, emit, on, post, view } from './state.js';
import { addKey, addToggle } from './keys.js';
import { FIGURE_COLUMNS } from './figures.js';

view.statistics = { on: false, data: null };

const TRACE_LABELS = { ch1: 'CH1', ch2: 'CH2', ...MATH_NAMES };

function showStatistics() {
  const box = document.getElementById('statistics-box');
  box.hidden = !view.statistics.on;
  const data = view.statistics.data;
  if (!view.statistics.on || !data) return;
  const body = document.querySelector('#statistics-table tbody');
  body.replaceChildren();
  for (const [name, figures] of Object.entries(data.traces || {})) {
    const isMath = name === 'diff' || name === 'sum';
    if (isMath && view.math !== name) continue;
    for (const [key, label] of FIGURE_COLUMNS) {
      const s = figures[key];
      if (!s || s.count === 0) continue;
      const tr = body.insertRow();
      tr.className = isMath ? 'math' : name;
      tr.insertCell().textContent = TRACE_LABELS[name] + ' ' + label;
      for (const column of ['count', 'mean', 'min', 'max', 'std']) {
        tr.insertCell().textContent = String(s[column]);
      }
    }
  }
  const records = data.records === 1 ? '1 record' : data.records + ' records';
  document.getElementById('statistics-note').textContent =
    'over ' + records + ' since the reset' + (data.note ? '; ' + data.note : '');
}

export function setStatistics(onNow) {
  view.statistics.on = onNow;
  document.getElementById('statistics-toggle').setAttribute('aria-pressed', String(onNow));
  showStatistics();
  emit('statistics');
}
export const toggleStatistics = () => setStatistics(!view.statistics.on);

export async function resetStatistics() {
  const answer = await post('/api/statistics/reset', {});
  if (answer.status === 200) {
    view.statistics.data = answer.body;
    showStatistics();
  }
}

export function buildStatistics() {
  addToggle('statistics-toggle', 'Statistics', 'm', toggleStatistics);

  const box = document.createElement('section');
  box.id = 'statistics-box';
  box.hidden = true;
  box.setAttribute('aria-label', 'statistics');
  box.innerHTML = '<div class="bar"><button id="statistics-reset" aria-keyshortcuts="R">Reset</button>' +
    '<span id="statistics-note" role="status"></span></div>' +
    '<table id="statistics-table"><thead><tr><th></th><th>count</th><th>mean</th><th>min</th>' +
    '<th>max</th><th>std</th></tr></thead><tbody></tbody></table>';
  document.getElementById('figures').after(box);
  document.getElementById('statistics-reset').addEventListener('click', resetStatistics);
  addKey('z', resetStatistics);
}

on('shown', (record) => {
  if (!record.live || !record.statistics) return;
  // A record taken before a reset can arrive after the reset's answer.
  const shown = view.statistics.data;
  if (shown && record.statistics.resets < shown.resets) return;
  view.statistics.data = record.statistics;
  showStatistics();
});
on('math', showStatistics);
