// Lessons in the page, beside the form: the same lessons, checks and result
// files as the desktop, run by the model's own C++; the page shows a step at
// a time and passes on the student's answers, Back and Next. The lesson
// looks at the run after every tick and every change the student makes.
'use strict';

class Lessons {
  /**
   * @param {Simulator} simulator
   * @param {RunFiles} runFiles
   */
  constructor(simulator, runFiles) {
    this.simulator = simulator;
    this.runFiles = runFiles;
    this.bridge = simulator.bridge;
    const element = (/** @type {string} */ id) => /** @type {HTMLElement} */ (document.getElementById(id));
    this.section = element('lesson');
    this.heading = element('stepHeading');
    this.verification = element('verification');
    this.items = element('lessonItems');
    this.back = /** @type {HTMLButtonElement} */ (element('lessonBack'));
    this.next = /** @type {HTMLButtonElement} */ (element('lessonNext'));
    this.dialog = /** @type {HTMLDialogElement} */ (element('lessonDialog'));
    /** A text of the catalogue in use (the page chose its language at start). */
    this.text = this.bridge.textOf.bind(this.bridge);
    // No shortcut: Ctrl+L is the browser's own, to the address bar.
    runFiles.addCommand('lessons', 'menu.lessons.open', null, 'l', () => this.choose());
    const saveResult = element('saveResult');
    labelCommand(this.bridge, saveResult, 'menu.lessons.save-result', 'r');
    labelCommand(this.bridge, this.back, 'lesson.panel.back', 'k');
    labelCommand(this.bridge, this.next, 'lesson.panel.next', 'n');
    this.back.addEventListener('click', () => this.goBack());
    this.next.addEventListener('click', () => this.goNext());
    saveResult.addEventListener('click', () => this.saveResult());
    runFiles.lessonOpener = (name, kind) => this.open(name, kind);
    // The step is drawn again in the language chosen; what a teacher wrote stays.
    document.addEventListener('talbrix-language-changed', () => this.render());
    // Whatever the student does, the lesson looks: after each view of the
    // run, and after each change to a control or a command.
    simulator.afterView.push(() => this.watch());
    for (const type of ['click', 'input', 'change', 'keyup'])
      document.addEventListener(type, (event) => {
        if (!this.section.contains(/** @type {Node} */ (event.target)))
          this.watch();
      });
    // Another run ends the lesson that watched this one; a lesson opened
    // begins after its replay.
    document.addEventListener('talbrix-run-replaced', () => {
      this.bridge.lessonClose();
      this.section.hidden = true;
    });
    window.addEventListener('beforeunload', (event) => {
      if (this.bridge.lessonUnsaved())
        event.preventDefault();
    });
  }

  watch() {
    const changes = this.bridge.lessonWatch(this.simulator.running);
    if (changes & 2)
      this.simulator.view.showControls(this.bridge);
    if (changes & 1)
      this.render();
  }

  /**
   * A question in the page's own dialog (a sandboxed frame may not allow the
   * browser's): resolves to the button pressed, by its key in `buttons`
   * (Escape is the last one), and the text typed.
   * @param {string} question
   * @param {string[]} buttons the buttons' text keys
   * @param {boolean} [withText]
   * @returns {Promise<{button: string, text: string}>}
   */
  ask(question, buttons, withText = false) {
    const dialog = this.dialog;
    dialog.replaceChildren();
    const label = /** @type {HTMLLabelElement} */ (create('label', 'lessonQuestion', null, dialog));
    label.textContent = question;
    const input = /** @type {HTMLInputElement} */ (create('input', 'lessonAnswer', null, dialog));
    input.hidden = !withText;
    label.htmlFor = input.id;
    const row = create('div', null, 'buttons', dialog);
    return new Promise((resolve) => {
      for (const key of buttons) {
        const button = /** @type {HTMLButtonElement} */ (create('button', null, null, row));
        button.type = 'button';
        button.textContent = this.text(key);
        button.addEventListener('click', () => {
          dialog.close();
          resolve({ button: key, text: input.value.trim() });
        });
      }
      dialog.addEventListener('cancel', () => resolve({ button: buttons[buttons.length - 1], text: '' }), { once: true });
      dialog.showModal();
      (withText ? input : /** @type {HTMLElement} */ (row.firstElementChild)).focus();
    });
  }

  /** True when nothing would be lost, or the student saved or chose to discard. */
  async mayDiscardAnswers() {
    if (!this.bridge.lessonUnsaved())
      return true;
    const { button } = await this.ask(this.text('lesson.unsaved-question'),
      ['lesson.dialog.save', 'lesson.dialog.discard', 'lesson.dialog.cancel']);
    if (button === 'lesson.dialog.save')
      this.saveResult();
    return button !== 'lesson.dialog.cancel';
  }

  // The lessons that ship, to choose one from.
  async choose() {
    const lessons = this.bridge.lessons();
    const dialog = this.dialog;
    dialog.replaceChildren();
    create('h2', null, null, dialog).textContent = this.text('lesson.chooser.title');
    const list = create('ul', 'lessonList', null, dialog);
    const chosen = await new Promise((resolve) => {
      lessons.forEach((lesson, index) => {
        const item = create('li', null, null, list);
        const button = /** @type {HTMLButtonElement} */ (create('button', null, null, item));
        button.type = 'button';
        button.textContent = lesson.title;
        button.addEventListener('click', () => resolve(index));
        create('p', null, 'notes', item).textContent = this.text('lesson.chooser.notes', lesson.notes.join(' '));
      });
      const cancel = /** @type {HTMLButtonElement} */ (create('button', null, null, dialog));
      cancel.type = 'button';
      cancel.textContent = this.text('lesson.dialog.cancel');
      cancel.addEventListener('click', () => resolve(-1));
      dialog.addEventListener('cancel', () => resolve(-1), { once: true });
      dialog.showModal();
    });
    dialog.close();
    if (chosen >= 0)
      await this.runFiles.open(lessons[chosen].title + '.lesson', this.bridge.shippedLesson(chosen));
  }

  /**
   * A lesson or a result the bridge has read and checked: its case or run
   * replayed, then shown.
   * @param {string} name
   * @param {number} kind 1 a lesson, 2 a result; 0 a scenario about to
   *   replace the run: true when it may
   */
  async open(name, kind) {
    if (!(await this.mayDiscardAnswers()))
      return false;
    if (kind === 0)
      return true;
    let student = '';
    if (kind === 1) {
      const title = this.bridge.openingTitle();
      const reply = await this.ask(this.text('lesson.name-question', title), ['lesson.dialog.ok', 'lesson.dialog.cancel'], true);
      student = reply.text;
      if (reply.button !== 'lesson.dialog.ok' || !student)
        return false;
    }
    const opened = await this.runFiles.replay(name, this.bridge.lessonJob());
    if (!opened)
      return false;
    this.bridge.lessonBegin(student);
    this.section.hidden = false;
    this.render();
    this.runFiles.say(kind === 1 ? this.text('lesson.opened', this.bridge.lessonView().title)
      : this.text('lesson.opened-result', name));
    return true;
  }

  // A new step is read from its heading: the focus goes there, as it would
  // to a new page.
  goBack() {
    this.bridge.lessonBack();
    this.render();
    this.heading.focus();
  }

  async goNext() {
    const step = this.bridge.lessonView().step;
    const finished = this.bridge.lessonNext(this.simulator.running);
    this.render();
    if (this.bridge.lessonView().step !== step)
      this.heading.focus();
    if (finished && (await this.ask(this.text('lesson.finished-question'),
      ['lesson.dialog.save', 'lesson.dialog.not-now'])).button === 'lesson.dialog.save')
      this.saveResult();
  }

  saveResult() {
    const view = this.bridge.lessonView();
    if (!view)
      return;
    const name = (view.student || 'lesson').replace(/[^\p{L}\p{N}_-]+/gu, '-');
    this.runFiles.download(`${name}.result`, new Blob([this.bridge.lessonResult()], { type: 'text/plain' }));
    this.bridge.lessonSaved();
    this.runFiles.keptTicks = this.bridge.runTicks(); // the run is in the result
  }

  /**
   * @param {string} id
   * @param {string} item
   * @param {string} value
   */
  answer(id, item, value) {
    if (this.bridge.lessonAnswer(id, item, value))
      this.showNavigation(this.bridge.lessonView());
  }

  /** @param {any} view */
  showNavigation(view) {
    this.back.disabled = !view.canBack;
    this.next.disabled = !view.canNext;
    this.next.textContent = this.text(view.finished && view.last ? 'lesson.panel.finished'
      : view.last ? 'lesson.panel.finish' : 'lesson.panel.next');
  }

  // The step made anew; the control that had the focus gets it back.
  render() {
    const view = this.bridge.lessonView();
    if (!view)
      return;
    const focused = document.activeElement && this.items.contains(document.activeElement) ? document.activeElement.id : '';
    this.heading.textContent = this.text('lesson.step-heading', view.step, view.steps, view.heading);
    this.verification.textContent = view.verification;
    this.verification.hidden = !view.verification;
    this.items.replaceChildren();
    for (const item of view.items)
      this.show(item);
    if (view.finished && view.last)
      create('p', 'lessonScore', null, this.items).textContent = this.text('lesson.score', view.score[0], view.score[1]);
    this.showNavigation(view);
    const again = focused && document.getElementById(focused);
    if (again)
      again.focus();
  }

  /** @param {any} item */
  show(item) {
    const parent = this.items;
    if (item.kind === 'text') {
      const paragraph = create('p', null, item.list ? 'item' : null, parent);
      for (const [text, emphasis] of item.spans)
        create(emphasis ? 'strong' : 'span', null, null, paragraph).textContent = text;
    } else if (item.kind === 'task') {
      const line = create('p', null, 'task ' + item.state, parent);
      /** @type {Record<string, string>} */
      const marks = { done: 'lesson.progress.done', now: 'lesson.progress.now', then: 'lesson.progress.then' };
      line.textContent = this.text(marks[item.state], item.text);
      line.dataset.task = item.words;
    } else if (item.kind === 'predict') {
      this.showPrediction(item, parent);
    } else if (item.kind === 'observe') {
      const box = create('div', 'feedback_' + item.id, 'feedback', parent);
      box.setAttribute('role', 'status');
      if (!item.made)
        box.textContent = this.text('lesson.waiting');
      for (const text of item.lines)
        create('p', null, null, box).textContent = text;
      if (item.feedback)
        create('strong', null, null, create('p', null, null, box)).textContent = item.feedback;
      if (item.hint)
        create('p', null, null, box).textContent = this.text('lesson.hint', item.hint);
    } else if (item.kind === 'question') {
      const area = /** @type {HTMLTextAreaElement} */ (create('textarea', item.id + '_question', null, parent));
      area.value = item.answer;
      area.readOnly = !item.open;
      area.setAttribute('aria-label', this.text('lesson.your-answer'));
      area.addEventListener('input', () => this.answer(item.id, '-', area.value));
    }
  }

  /**
   * @param {any} item
   * @param {HTMLElement} parent
   */
  showPrediction(item, parent) {
    const set = /** @type {HTMLFieldSetElement} */ (create('fieldset', item.id, 'prediction', parent));
    set.disabled = !item.open;
    create('legend', null, null, set).textContent = this.text('lesson.prediction');
    /**
     * @param {string} row the answer's item
     * @param {string} value
     * @param {string} caption
     * @param {string} answer
     * @param {HTMLElement} within
     */
    const radio = (row, value, caption, answer, within) => {
      const label = create('label', null, null, within);
      const input = /** @type {HTMLInputElement} */ (create('input', `${item.id}_${row}_${value}`, null, label));
      input.type = 'radio';
      input.name = `${item.id}_${row}`;
      input.checked = answer === value;
      input.addEventListener('change', () => input.checked && this.answer(item.id, row, value));
      label.append(' ' + caption);
    };
    /** @type {Record<string, string>} */
    const answerKeys = { up: 'lesson.answer.up', down: 'lesson.answer.down', same: 'lesson.answer.same' };
    if (item.type === 'direction') {
      for (const [row, name, answer] of item.rows) {
        const group = create('div', null, 'row', set);
        group.setAttribute('role', 'radiogroup');
        group.setAttribute('aria-label', name);
        create('span', null, null, group).textContent = name;
        for (const value of ['up', 'down', 'same'])
          radio(row, value, this.text(answerKeys[value]), answer, group);
      }
    } else if (item.type === 'number') {
      const [, name, answer] = item.rows[0];
      const label = create('label', null, null, set);
      label.textContent = name + ' ';
      const input = /** @type {HTMLInputElement} */ (create('input', item.id + '_number', null, label));
      input.inputMode = 'decimal';
      input.value = answer;
      input.addEventListener('input', () => this.answer(item.id, '-', input.value));
    } else {
      const answer = item.rows[0][2];
      for (const [key, text] of item.options)
        radio('-', key, text, answer, create('div', null, null, set));
    }
  }
}
