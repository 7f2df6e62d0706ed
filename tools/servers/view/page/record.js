// SPDX-License-Identifier: MIT
// A record as the page holds it: the server's event with each trace's samples turned from the
// instrument's counts into volts, and what is read off it (times of samples, values at a time,
// the math trace).
import { MATH_NAMES, si } from './state.js';
import { probeLabel } from './probe.js';

// live: the record came on the event stream (it counts for the latency figures); a record
// fetched from the kept ones does not.
export function decode(event, live) {
  const traces = event.traces.map((t) => {
    const scale = t.scale;
    const codes = t.codes;
    const volts = new Float64Array(codes.length);
    for (let i = 0; i < volts.length; i++) volts[i] = codes[i] * scale;
    return { channel: t.channel, range: t.range, voltsPerDiv: t.voltsPerDiv,
      perDivLabel: t.perDivLabel, figures: t.figures, volts, label: probeLabel(event, t.channel) };
  });
  return Object.assign({}, event, { traces, live });
}

export const traceOf = (record, channel) => record.traces.find((t) => t.channel === channel);

// Times in seconds from the trigger point.
export const firstTime = (record) => -record.pre / record.rate;
export const lastTime = (record) => (record.length - 1 - record.pre) / record.rate;

// The sample nearest to time t, or NaN outside the record.
export function valueAt(record, trace, t) {
  const i = Math.round(t * record.rate + record.pre);
  return i >= 0 && i < trace.volts.length ? trace.volts[i] : NaN;
}

// Channel 1 minus or plus channel 2, sample by sample, with the figures the server computed
// for it; null unless both channels are in the record. Only the record on screen needs it, so
// one buffer serves record after record (a new array for each would keep the collector busy
// at fifty records a second); the trace of the record before is gone once another is asked.
let made = { record: null, kind: '', trace: null };
let buffer = new Float64Array(0);

export function mathTrace(record, kind) {
  if (kind !== 'diff' && kind !== 'sum') return null;
  if (made.record === record && made.kind === kind) return made.trace;
  const a = traceOf(record, 1);
  const b = traceOf(record, 2);
  if (!a || !b || a.volts.length !== b.volts.length) return null;
  const n = a.volts.length;
  if (buffer.length !== n) buffer = new Float64Array(n);
  const volts = buffer;
  const x = a.volts;
  const y = b.volts;
  if (kind === 'diff') for (let i = 0; i < n; i++) volts[i] = x[i] - y[i];
  else for (let i = 0; i < n; i++) volts[i] = x[i] + y[i];
  // Drawn on the coarser of the two channels' scales, so that it fits where they fit.
  const voltsPerDiv = Math.max(a.voltsPerDiv, b.voltsPerDiv);
  const trace = { channel: 'math', label: MATH_NAMES[kind], range: a.range + b.range, voltsPerDiv,
    perDivLabel: si(voltsPerDiv, 'V', 3) + '/div', volts,
    figures: record.math ? record.math[kind] : null };
  made = { record, kind, trace };
  return trace;
}
