// SPDX-License-Identifier: MIT
// Stepping back through the records the server keeps: while the acquisition is stopped, ◀ and
// ▶ (and the left and right arrow keys) fetch the record before or after the one shown. The
// screen, figures, cursors' readout, spectrum and Save links all follow the record shown,
// whose number is written on the page.
import { decode } from './record.js';
import { on, requestDraw, say, view } from './state.js';

const stopped = () => !!view.state && view.state.settings.acquire === 'stop';
let target = 0;  // the record asked for last, while its answer is on the way

function showButtons() {
  const shown = target || (view.record ? view.record.seq : 0);
  const [first, last] = view.kept;
  const prev = document.getElementById('prev');
  const next = document.getElementById('next');
  prev.disabled = !stopped() || !shown || shown <= first;
  next.disabled = !stopped() || !shown || shown >= last;
  const why = stopped() ? '' : ' (stop the acquisition to step through the kept records)';
  prev.title = 'the record before' + why;
  next.title = 'the record after' + why;
}

function showNumber() {
  const record = view.record;
  if (!record) return;
  const [first, last] = view.kept;
  document.getElementById('record-number').textContent = 'record ' + record.seq +
    (first ? ' (kept: ' + first + ' to ' + last + ')' : '');
}

export async function step(direction) {
  if (!view.record) return;
  if (!stopped()) {
    say('stop the acquisition to step through the kept records');
    return;
  }
  const from = target || view.record.seq;
  const seq = from + direction;
  const [first, last] = view.kept;
  if (seq < first || seq > last) {
    say('record ' + from + ' is the ' + (direction < 0 ? 'oldest' : 'newest') + ' one kept');
    return;
  }
  target = seq;
  showButtons();
  try {
    const response = await fetch('/api/record.json?seq=' + seq);
    const answer = await response.json();
    if (target !== seq) return;  // a later step is on its way
    if (!response.ok) {
      say(answer.error);
      return;
    }
    say('');
    if (answer.kept) view.kept = answer.kept;
    view.pending = decode(answer, false);
    requestDraw();
  } catch (e) {
    say('the view did not answer: ' + e.message);
  } finally {
    if (target === seq) target = 0;
    showButtons();
  }
}

export function buildHistory() {
  document.getElementById('prev').addEventListener('click', () => step(-1));
  document.getElementById('next').addEventListener('click', () => step(+1));
}
on('shown', () => {
  showNumber();
  showButtons();
});
on('state', () => {
  showNumber();
  showButtons();
});
