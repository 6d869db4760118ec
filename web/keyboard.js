// The page from the keyboard alone. Tab goes round the form in its tab
// order, as in the desktop window, then on to the run commands and back to
// the form; Ctrl+O and Ctrl+S open and save as on the desktop, every command
// has the browser's access key (Alt or Alt+Shift with its letter), and
// Escape cancels a long open or table, or else ends "Fit". In another page's
// frame the round does not close: Tab leaves the frame at either end, as it
// must for the page around it to be usable from the keyboard.
'use strict';

class Keyboard {
  /**
   * @param {Simulator} simulator
   * @param {RunFiles} runFiles
   * @param {ScaleCommands} scaleCommands
   */
  constructor(simulator, runFiles, scaleCommands) {
    this.form = simulator.view.tabOrder;
    this.runFiles = runFiles;
    this.scaleCommands = scaleCommands;
    this.closedRound = !framed();
    document.addEventListener('keydown', (event) => this.onKey(event));
  }

  /** Every stop of the round: the form, then whatever is shown after it. */
  stops() {
    /** @type {NodeListOf<HTMLElement>} */
    const after = document.querySelectorAll(
      '#commands button, #beats select, #beats button, #lesson input, #lesson textarea, #lesson button');
    return [...this.form,
      ...[...after].filter((element) => element.offsetParent !== null && !(element instanceof HTMLButtonElement && element.disabled))];
  }

  /** @param {KeyboardEvent} event */
  onKey(event) {
    if (event.key === 'Escape' && this.runFiles.busy) {
      event.preventDefault();
      this.runFiles.cancel();
    } else if (event.key === 'Escape' && this.scaleCommands.scale.fitted) {
      event.preventDefault();
      this.scaleCommands.setFitted(false);
    } else if (event.key === 'Tab' && this.closedRound && !(event.altKey || event.ctrlKey || event.metaKey)) {
      // Within the round the page's own order holds; only its two ends join.
      const stops = this.stops();
      const first = stops[0], last = stops[stops.length - 1];
      const wrapTo = event.shiftKey ? (event.target === first ? last : null)
        : (event.target === last ? first : null);
      if (wrapTo) {
        event.preventDefault();
        wrapTo.focus();
      }
    } else if ((event.ctrlKey || event.metaKey) && !event.altKey && !event.shiftKey) {
      const button = { o: this.runFiles.buttons[0], s: this.runFiles.buttons[1] }[event.key.toLowerCase()];
      if (button) {
        event.preventDefault();
        button.click();
      }
    }
  }
}
