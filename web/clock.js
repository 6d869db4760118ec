// The clock of a running page. Ticks are due every timer interval of wall
// time from Start, measured on the monotonic clock. Every frame interval the
// page runs those that have come due and shows the result, so the rate does
// not depend on how often, or how late, the callbacks come; showing every
// tick's result at 100 Hz would cost far more than the model and show the
// eye nothing more. Time the page could not run (a hidden tab, which it does
// not run at all, or a stalled machine: more than maxBacklogTicks due at
// once) is not made up in a burst: as a desktop timer drops the firings it
// missed, the page runs one tick and counts the clock on from now.
'use strict';

// A fifth of a second of ticks: a late callback of a busy browser is caught
// up, a longer gap is dropped.
const maxBacklogTicks = 20;
// 25 frames a second, as often as a film shows them. Each frame costs the
// browser a paint, which is most of a running page's work.
const frameMilliseconds = 40;

class Clock {
  /**
   * @param {number} tickMilliseconds the form's timer interval
   * @param {(due: number) => void} frame runs the ticks due and shows them
   */
  constructor(tickMilliseconds, frame) {
    this.tickMilliseconds = tickMilliseconds;
    this.frame = frame;
    /** @type {number | undefined} */
    this.timer = undefined;
    this.startedAt = 0;
    this.counted = 0;
    /** Ticks the clock let go by rather than run in a burst. */
    this.dropped = 0;
  }

  get running() {
    return this.timer !== undefined;
  }

  start() {
    this.stop();
    this.restartAt(performance.now());
    this.timer = setInterval(() => {
      if (!document.hidden)
        this.frame(this.due(performance.now()));
    }, frameMilliseconds);
  }

  stop() {
    clearInterval(this.timer);
    this.timer = undefined;
  }

  /**
   * Counts ticks from `now` on, none run yet.
   * @param {number} now
   */
  restartAt(now) {
    this.startedAt = now;
    this.counted = 0;
  }

  /**
   * How many ticks to run at `now`, counted as run.
   * @param {number} now milliseconds on the monotonic clock
   */
  due(now) {
    const due = Math.floor((now - this.startedAt) / this.tickMilliseconds) - this.counted;
    if (due <= 0)
      return 0;
    if (due > maxBacklogTicks) {
      this.restartAt(now - this.tickMilliseconds);
      this.counted = 1;
      this.dropped += due - 1;
      return 1;
    }
    this.counted += due;
    return due;
  }
}
