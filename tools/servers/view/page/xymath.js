// SPDX-License-Identifier: MIT
// The XY picture (channel 1 across, channel 2 up) and the math trace (channel 1 minus or plus
// channel 2, drawn in its own colour with its own row of figures): the switches for both.
import { emit, requestDraw, view } from './state.js';

export function setXY(onNow) {
  view.xy = onNow;
  document.getElementById('xy').setAttribute('aria-pressed', String(onNow));
  // The time axis has no meaning in XY: its zoom buttons wait until it comes back.
  for (const id of ['zoom-in', 'zoom-out', 'pan-left', 'pan-right', 'fit']) {
    document.getElementById(id).disabled = onNow;
  }
  emit('xy');
  requestDraw();
}
export const toggleXY = () => setXY(!view.xy);

export function setMath(kind) {
  view.math = kind;
  document.getElementById('math').value = kind;
  emit('math');
  requestDraw();
}

export function buildXYMath() {
  document.getElementById('xy').addEventListener('click', toggleXY);
  const math = document.getElementById('math');
  math.addEventListener('change', () => setMath(math.value));
}
