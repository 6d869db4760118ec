// Keeping a run in the page, in the desktop's formats so that a run saved
// in one edition opens in the other: the run so far as a scenario (the model
// records it tick by tick) or as the table talbrix-trace prints for it, a
// picture of the window, and a scenario opened from a file. The file is
// handed to the model as its bytes, so the page accepts and refuses exactly
// what the desktop and the runner do, in their words. Opening and writing a
// table run a slice at a time with a progress bar and can be cancelled; a
// file that is refused, a run-time error or a cancel leaves the page as it was.
'use strict';

// Work between two looks at the page: long enough that the page's own
// costs stay small, short enough that Cancel and the bar answer at once.
const sliceMilliseconds = 40;
const workPerClockCheck = 2048;
// Where the form of saved tables is kept for the tab's session.
const tableFormKey = 'talbrix.tableForm';

class RunFiles {
  /** @param {Simulator} simulator */
  constructor(simulator) {
    this.simulator = simulator;
    this.bridge = simulator.bridge;
    this.busy = false;
    this.cancelled = false;
    // The run as last opened or saved as a scenario: leaving the page with
    // ticks beyond it asks first.
    this.keptTicks = this.bridge.runTicks();
    const element = (/** @type {string} */ id) => /** @type {HTMLElement} */ (document.getElementById(id));
    this.bar = element('commands');
    this.progress = element('progress');
    this.message = element('message');
    this.picker = /** @type {HTMLInputElement} */ (element('scenarioFile'));
    this.cancelButton = element('cancel');
    /**
     * Opens a lesson or a result the model has read (kind 1 or 2), or says
     * whether a scenario may replace the run (kind 0); set by the lessons.
     * @type {((name: string, kind: number) => Promise<boolean>) | null}
     */
    this.lessonOpener = null;
    // The text's key, shortcut, the browser's access key (Alt or Alt+Shift
    // with it) for a text that marks none.
    /** @type {Array<[string, string, string | null, string, () => unknown]>} */
    const commands = [
      ['openScenario', 'menu.run.open-scenario', 'Control+O', 'o', () => this.picker.click()],
      ['saveRunAsScenario', 'menu.run.save-scenario', 'Control+S', 's', () => this.saveScenario()],
      ['saveRunAsTable', 'menu.run.save-table', null, 't', () => this.saveTable()],
      ['savePicture', 'menu.run.save-picture', null, 'p', () => this.savePicture()],
    ];
    /** @type {HTMLButtonElement[]} the command buttons, in the bar's order */
    this.buttons = [];
    for (const [id, key, shortcut, accessKey, run] of commands)
      this.addCommand(id, key, shortcut, accessKey, run);
    this.tableForm = this.addTableChoice(/** @type {HTMLElement} */ (document.getElementById('savePicture')));
    this.picker.addEventListener('change', () => this.openChosenFile());
    // A message said in the language before is done with.
    document.addEventListener('talbrix-language-changed', () => this.say(''));
    this.cancelButton.addEventListener('click', () => this.cancel());
    window.addEventListener('beforeunload', (event) => {
      if (this.unsaved()) {
        event.preventDefault();
        event.returnValue = ''; // what older browsers look for
      }
    });
  }

  /**
   * A command button in the bar, before the progress; none runs while a
   * job does.
   * @param {string} id
   * @param {string} key its text's
   * @param {string | null} shortcut
   * @param {string} accessKey for a text that marks none
   * @param {() => unknown} run
   */
  addCommand(id, key, shortcut, accessKey, run) {
    const button = document.createElement('button');
    button.type = 'button';
    button.id = id;
    labelCommand(this.bridge, button, key, accessKey);
    if (shortcut)
      button.setAttribute('aria-keyshortcuts', shortcut);
    button.addEventListener('click', () => this.busy || run());
    this.bar.insertBefore(button, this.progress);
    this.buttons.push(button);
  }

  /**
   * The form every saved table takes (the run's, the beat log, the
   * comparison): the standard CSV unless the user picks the one for
   * spreadsheets that read a decimal comma. The pick is kept for the tab's
   * session where the page may keep anything; in a sandboxed frame the
   * storage throws, and the pick lasts as long as the page.
   * @param {HTMLElement} before
   * @returns {HTMLSelectElement}
   */
  addTableChoice(before) {
    const label = document.createElement('label');
    label.id = 'tableChoice';
    label.append(textIn(this.bridge, document.createElement('span'), 'page.tables'), ' ');
    const choice = document.createElement('select');
    choice.id = 'tableForm';
    attributeIn(this.bridge, choice, 'title', 'page.tables.hint');
    for (const [value, key] of [['standard', 'page.tables.standard'], ['decimalComma', 'page.tables.decimal-comma']])
      choice.add(/** @type {HTMLOptionElement} */ (textIn(this.bridge, new Option('', value), key)));
    try {
      if (sessionStorage.getItem(tableFormKey) === 'decimalComma')
        choice.value = 'decimalComma';
    } catch (refused) { /* no storage here: the standard form */ }
    choice.addEventListener('change', () => {
      try {
        sessionStorage.setItem(tableFormKey, choice.value);
      } catch (refused) { /* kept by the page alone */ }
    });
    label.append(choice);
    this.bar.insertBefore(label, before);
    return choice;
  }

  /** Has the model write the tables from now on in the form chosen. */
  useTableForm() {
    this.bridge.tableForm(this.tableForm.value === 'decimalComma');
  }

  /** True when the run has ticks since it was last opened or saved. */
  unsaved() {
    return this.bridge.runTicks() !== this.keptTicks;
  }

  cancel() {
    this.cancelled = true;
  }

  /** @param {string} text */
  say(text) {
    this.message.textContent = text;
    this.message.hidden = !text;
  }

  // Hands a finished file to the browser's download; replaceable by tests.
  /**
   * @param {string} name
   * @param {Blob} blob
   */
  download(name, blob) {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = name;
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  }

  saveScenario() {
    this.say('');
    this.download('talbrix-run.talbrix', new Blob([this.bridge.scenario()], { type: 'text/plain' }));
    this.keptTicks = this.bridge.runTicks();
  }

  // Replays the run so far to write every tick's row, as talbrix-trace
  // does for the saved scenario.
  async saveTable() {
    this.say('');
    this.useTableForm();
    const job = this.bridge.tableJob();
    /** @type {string[]} */
    const parts = [];
    const outcome = await this.runJob(job, this.bridge.textOf('file.writing-table'),
      this.bridge.textOf('page.table-cancelled'), () => parts.push(job.takeChunk()));
    if (outcome === 'failed')
      this.say(`${this.bridge.textOf('file.cannot-write-table')} ${job.error()}`);
    job.end();
    if (outcome === 'finished')
      this.download('talbrix-run.csv', new Blob(parts, { type: 'text/csv' }));
  }

  async openChosenFile() {
    const file = this.picker.files && this.picker.files[0];
    this.picker.value = '';
    if (!file)
      return;
    this.say('');
    // A file too large to open is refused before it is read at all.
    const refusal = this.bridge.openRefusal(file.size);
    if (refusal)
      return this.cannotOpen(file.name, refusal);
    let bytes;
    try {
      bytes = new Uint8Array(await file.arrayBuffer());
    } catch (error) {
      return this.cannotOpen(file.name, this.bridge.textOf('file.not-read-to-end'));
    }
    return this.open(file.name, bytes);
  }

  /**
   * @param {string} name
   * @param {string} reason
   */
  cannotOpen(name, reason) {
    // The first sentence, then the reason after it.
    this.say(`${this.bridge.textOf('file.cannot-open', name)} ${reason}`);
    return false;
  }

  /**
   * Opens a scenario from its file's bytes (or, for tests, its text).
   * @param {string} name
   * @param {Uint8Array | string} content
   */
  async open(name, content) {
    const bytes = typeof content === 'string' ? new TextEncoder().encode(content) : content;
    const refusal = this.bridge.openRefusal(bytes.length);
    if (refusal)
      return this.cannotOpen(name, refusal);
    // A lesson or a result says so in its first line.
    const kind = this.bridge.prepare(bytes);
    if (kind < 0)
      return this.cannotOpen(name, this.bridge.openingError());
    // A lesson or a result opens as the lessons say; a scenario replaces the
    // run a lesson watches, once its answers may go.
    if (this.lessonOpener && (kind > 0 || !(await this.lessonOpener(name, 0))))
      return kind > 0 ? this.lessonOpener(name, kind) : false;
    if (!(await this.replay(name, this.bridge.openJob(bytes))))
      return false;
    const ticks = this.keptTicks;
    this.say(this.bridge.textOf(ticks === 1 ? 'file.opened.one' : 'file.opened.other', name, ticks));
    return true;
  }

  /**
   * Replays a scenario job and makes it the page's run; false when it
   * failed (said why) or was cancelled, the page as it was.
   * @param {string} name
   * @param {Job} job
   */
  async replay(name, job) {
    // The clock waits while the file replays, and goes on if it is not opened.
    const wasRunning = this.simulator.running;
    this.simulator.clock.stop();
    const outcome = await this.runJob(job, this.bridge.textOf('file.opening', name),
      this.bridge.textOf('page.opening-cancelled', name), () => {});
    if (outcome !== 'finished') {
      const reason = job.error();
      job.end();
      if (wasRunning)
        this.simulator.clock.start();
      return outcome === 'failed' ? this.cannotOpen(name, reason) : false;
    }
    job.adopt(); // ends the job
    document.dispatchEvent(new Event('talbrix-run-replaced'));
    this.simulator.syncControls();
    this.keptTicks = this.bridge.runTicks();
    return true;
  }

  /**
   * Runs a job to its end a slice at a time, with the progress bar and
   * Cancel shown. The caller ends the job and says why it failed.
   * @param {Job} job
   * @param {string} label
   * @param {string} cancelled what to say when it is cancelled
   * @param {() => void} afterSlice
   * @returns {Promise<'finished' | 'cancelled' | 'failed'>}
   */
  async runJob(job, label, cancelled, afterSlice) {
    this.busy = true;
    this.cancelled = false;
    this.progress.hidden = false;
    /** @type {HTMLElement} */ (this.progress.querySelector('span')).textContent = label;
    const bar = /** @type {HTMLProgressElement} */ (this.progress.querySelector('progress'));
    bar.value = 0;
    try {
      for (;;) {
        const sliceEnd = performance.now() + sliceMilliseconds;
        let state;
        do
          state = job.advance(workPerClockCheck);
        while (state === JobState.running && performance.now() < sliceEnd);
        afterSlice();
        if (state === JobState.finished)
          return 'finished';
        if (state === JobState.failed)
          return 'failed';
        bar.value = job.progress();
        await new Promise((resolve) => setTimeout(resolve, 0));
        if (this.cancelled) {
          this.say(cancelled);
          return 'cancelled';
        }
      }
    } finally {
      this.busy = false;
      this.progress.hidden = true;
    }
  }

  async savePicture() {
    this.say('');
    this.download('talbrix-window.png', await pictureOf(/** @type {HTMLElement} */ (document.getElementById('Ml'))));
  }
}
