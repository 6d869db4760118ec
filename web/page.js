// The simulator's window in a page. The form is built from the same table of
// controls as the desktop window, and the model, the number texts and the
// in-memory window are the desktop's own C++ compiled to WebAssembly; the
// page only shows the controls, forwards what the user does, and keeps time.
'use strict';

class Simulator {
  /**
   * @param {Bridge} bridge
   * @param {HTMLElement} root
   * @param {HTMLElement} status where a run-time error is announced
   */
  constructor(bridge, root, status) {
    this.bridge = bridge;
    this.status = status;
    this.form = bridge.form;
    this.ended = false;
    this.errorName = ''; // of the run-time error that ended the run
    this.beeps = 0;
    this.ticks = 0;
    /** @type {Array<() => void>} what else shows the model, after each view */
    this.afterView = [];
    /** Each readout's count of writes by the model, as last shown. */
    this.shownWrites = new Array(14).fill(-1);
    bridge.load();
    this.view = new FormView(this.form, root, {
      setText: (readout, text) => bridge.setText(readout, text),
      setSlider: (slider, position) => bridge.setSlider(slider, position),
      selectOption: (option) => bridge.selectOption(option),
      command: (button) => (button === 1 ? this.Command1_Click() : this.Command2_Click()),
    });
    this.texts = this.view.texts;
    this.plot = this.view.plot;
    this.clock = new Clock(this.form.timer.interval, (due) => {
      this.runTicks(due);
      this.updateView();
    });
    this.updateView();
    // In another page's frame the focus stays where the reader has it: taking
    // it would scroll the course page to the frame and take the keys too.
    if (!framed())
      this.texts[0].focus();
    document.addEventListener('talbrix-language-changed', () => {
      if (this.ended)
        this.status.textContent = this.bridge.textOf('error.run-time', this.errorName);
    });
    requestAnimationFrame(() => {
      root.dataset.firstFrame = performance.now().toFixed(1);
    });
  }

  get running() {
    return this.clock.running;
  }

  // Start: the beep, then the clock; pressing it again while running only
  // beeps.
  Command1_Click() {
    if (this.ended)
      return;
    beep();
    this.beeps += 1;
    if (!this.running)
      this.clock.start();
  }

  // Pause: the state, readouts and trace stay as they are.
  Command2_Click() {
    this.clock.stop();
  }

  // Runs `count` ticks at once and shows the result; for tests, which step
  // the model without waiting for the clock.
  /** @param {number} count */
  step(count) {
    this.runTicks(count);
    this.updateView();
  }

  /**
   * Runs the ticks the clock says are due at `now`.
   * @param {number} now
   */
  advanceClock(now) {
    this.runTicks(this.clock.due(now));
  }

  /** @param {number} count */
  runTicks(count) {
    if (this.ended || count <= 0)
      return;
    const done = this.bridge.ticks(count);
    this.ticks += done;
    if (done < count)
      this.endWithRunTimeError(this.bridge.error());
  }

  // After the model's window was replaced (a scenario opened): the sliders
  // and option buttons as it holds them, then its texts and its points. The
  // clock stays stopped until Start.
  syncControls() {
    this.clock.stop();
    this.ended = false;
    this.status.hidden = true;
    this.view.showControls(this.bridge);
    this.plot.showReference(this.bridge);
    this.updateView();
  }

  /** @param {string} name */
  endWithRunTimeError(name) {
    this.clock.stop();
    this.ended = true;
    this.errorName = name;
    this.status.textContent = this.bridge.textOf('error.run-time', name);
    this.status.hidden = false;
  }

  // Readouts the model wrote since the last view, then the new points.
  updateView() {
    for (let readout = 1; readout <= this.texts.length; ++readout) {
      const writes = this.bridge.writes(readout);
      if (writes === this.shownWrites[readout])
        continue;
      this.shownWrites[readout] = writes;
      const box = this.texts[readout - 1];
      const text = this.bridge.text(readout);
      if (box.value !== text)
        box.value = text;
    }
    this.plot.update(this.bridge);
    for (const show of this.afterView)
      show();
  }
}

/** @type {AudioContext | null} */
let audio = null;
let tonesPlaying = 0;
// The system beep: a short tone, where the browser lets the page sound one.
// Between beeps the audio is suspended: a running audio context keeps an
// output thread busy for as long as the page is open.
function beep() {
  try {
    const context = audio = audio || new AudioContext();
    context.resume().catch(() => {}); // refused where the page may not sound: silence
    const oscillator = context.createOscillator();
    const gain = context.createGain();
    oscillator.frequency.value = 880;
    gain.gain.value = 0.1;
    oscillator.connect(gain).connect(context.destination);
    ++tonesPlaying;
    oscillator.onended = () => {
      if (--tonesPlaying === 0)
        context.suspend();
    };
    oscillator.start();
    oscillator.stop(context.currentTime + 0.1);
  } catch (error) {
    // No audio here: Start still starts.
  }
}

{
  const status = /** @type {HTMLElement} */ (document.getElementById('status'));
  /** @type {Bridge | null} */
  let started = null;
  Bridge.start().then((bridge) => {
    started = bridge;
    // Before anything shows a text.
    const language = choosePageLanguage(bridge);
    const simulator = new Simulator(bridge, /** @type {HTMLElement} */ (document.getElementById('Ml')), status);
    const runFiles = new RunFiles(simulator);
    const beats = new BeatPanel(simulator, runFiles);
    runFiles.addCommand('showBeats', 'menu.beats.show', null, 'b', () => beats.toggle());
    const lessons = new Lessons(simulator, runFiles);
    const links = new CaseLinks(simulator, runFiles);
    runFiles.bar.insertBefore(languageChoice(bridge, language, (tag) => relabelPage(bridge, tag)),
      /** @type {HTMLElement} */ (document.getElementById('savePicture')));
    // The page's scale: a change of it, or of the browser's, draws the
    // points again from the model's record.
    const scale = new PageScale(/** @type {HTMLElement} */ (document.querySelector('main')), simulator.view.root,
      runFiles.bar, () => simulator.plot.update(bridge));
    const scaleCommands = new ScaleCommands(runFiles, scale);
    scale.apply();
    const keyboard = new Keyboard(simulator, runFiles, scaleCommands);
    // For tests and scripts that measure the page.
    Object.assign(window, { talbrix: Object.assign(simulator, { runFiles, beats, lessons, links, scale, keyboard }) });
    // A case the address carries opens once everything that may open it is
    // there; the page is ready when it has (or has said why it cannot).
    links.openFromAddress().finally(() => {
      document.documentElement.dataset.ready = 'true';
    });
  }).catch((error) => {
    // A module that did not start has no catalogue to say so from.
    status.textContent = started ? started.textOf('page.could-not-start', String(error))
      : 'Talbrix could not start: ' + error;
    status.hidden = false;
  });
}
