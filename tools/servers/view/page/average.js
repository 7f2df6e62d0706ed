// SPDX-License-Identifier: MIT
// Averaging: the "average" setting (typed among the controls, 1 for off) makes the server
// send the mean of the last N records taken with the same settings; beside the acquisition
// buttons the page says how many the record shown holds so far ("average 5/16").
import { on } from './state.js';

export function buildAverage() {
  const text = document.createElement('span');
  text.id = 'average-text';
  text.setAttribute('role', 'status');
  document.getElementById('instrument-note').before(text);
}

on('shown', (record) => {
  const text = document.getElementById('average-text');
  if (!text) return;
  text.textContent = record.average ? 'average ' + record.average.held + '/' + record.average.of : '';
});
