// Keeping a run in the page, in the desktop's formats so that a run saved
// in one edition opens in the other: the run so far as a scenario (the model
// records it tick by tick) or as the table talbrix-trace prints for it, a
// picture of the window, and a scenario opened from a file. Long replays run
// a slice at a time with a progress bar and can be cancelled; a file that is
// not a valid scenario, a run-time error or a cancel leaves the page as it was.
'use strict';

(function () {
  const sliceTicks = 20000; // ticks replayed between two looks at the page

  class RunFiles {
    constructor(simulator) {
      this.simulator = simulator;
      this.module = simulator.module;
      this.busy = false;
      this.bar = document.getElementById('commands');
      this.progress = document.getElementById('progress');
      this.message = document.getElementById('message');
      this.picker = document.getElementById('scenarioFile');
      const commands = [
        ['openScenario', 'Open Scenario...', 'Ctrl+O', () => this.picker.click()],
        ['saveRunAsScenario', 'Save Run as Scenario...', 'Ctrl+S', () => this.saveScenario()],
        ['saveRunAsTable', 'Save Run as Table...', null, () => this.saveTable()],
        ['savePicture', 'Save Picture...', null, () => this.savePicture()],
      ];
      for (const [id, caption, shortcut, run] of commands) {
        const button = document.createElement('button');
        button.type = 'button';
        button.id = id;
        button.textContent = caption;
        if (shortcut)
          button.setAttribute('aria-keyshortcuts', shortcut.replace('Ctrl', 'Control'));
        button.addEventListener('click', () => this.busy || run());
        this.bar.insertBefore(button, this.progress);
      }
      this.picker.addEventListener('change', () => this.openChosenFile());
      document.getElementById('cancel').addEventListener('click', () => { this.cancelled = true; });
      document.addEventListener('keydown', (event) => {
        if (!(event.ctrlKey || event.metaKey) || event.altKey || event.shiftKey)
          return;
        const key = event.key.toLowerCase();
        if (key === 's' || key === 'o') {
          event.preventDefault();
          if (!this.busy)
            key === 's' ? this.saveScenario() : this.picker.click();
        }
      });
    }

    say(text) {
      this.message.textContent = text;
      this.message.hidden = !text;
    }

    // Hands a finished file to the browser's download; replaceable by tests.
    download(name, blob) {
      const link = document.createElement('a');
      link.href = URL.createObjectURL(blob);
      link.download = name;
      link.click();
      setTimeout(() => URL.revokeObjectURL(link.href), 60000);
    }

    text(pointer) {
      return this.module.UTF8ToString(pointer);
    }

    saveScenario() {
      this.say('');
      this.download('talbrix-run.talbrix', new Blob([this.text(this.module._talbrix_scenario())],
        { type: 'text/plain' }));
    }

    // Replays the run so far to write every tick's row, as talbrix-trace
    // does for the saved scenario.
    async saveTable() {
      this.say('');
      this.module._talbrix_job_begin(0, 1);
      const parts = [];
      const outcome = await this.runJob('Writing the table', () => {
        parts.push(this.text(this.module._talbrix_job_take_chunk()));
      });
      this.module._talbrix_job_end();
      if (outcome === 'finished')
        this.download('talbrix-run.csv', new Blob(parts, { type: 'text/csv' }));
    }

    async openChosenFile() {
      const file = this.picker.files[0];
      this.picker.value = '';
      if (!file)
        return;
      this.say('');
      await this.open(file.name, await file.text());
    }

    async open(name, text) {
      const size = this.module.lengthBytesUTF8(text) + 1;
      const buffer = this.module._malloc(size);
      this.module.stringToUTF8(text, buffer, size);
      const begun = this.module._talbrix_job_begin(buffer, 0);
      this.module._free(buffer);
      if (begun !== 0) {
        this.say(`"${name}" is not a Talbrix run: ${this.text(this.module._talbrix_job_error())}`);
        return false;
      }
      const outcome = await this.runJob(`Opening "${name}"`, () => {});
      if (outcome !== 'finished') {
        this.module._talbrix_job_end();
        return false;
      }
      this.module._talbrix_job_adopt(); // ends the job
      this.simulator.syncControls();
      return true;
    }

    // Runs the begun job to its end a slice at a time. Returns 'finished',
    // 'cancelled' or 'failed' (the message says why); the caller ends the job.
    async runJob(label, afterSlice) {
      const module = this.module;
      const total = module._talbrix_job_total();
      this.busy = true;
      this.cancelled = false;
      this.progress.hidden = false;
      this.progress.querySelector('span').textContent = label;
      const bar = this.progress.querySelector('progress');
      try {
        for (;;) {
          const status = module._talbrix_job_advance(sliceTicks);
          afterSlice();
          if (status === 1)
            return 'finished';
          if (status !== 0) {
            this.say(`${label} stopped: ${this.text(module._talbrix_job_error())}. Nothing was changed.`);
            return 'failed';
          }
          bar.value = total > 0 ? module._talbrix_job_ticks() / total : 0;
          await new Promise((resolve) => setTimeout(resolve, 0));
          if (this.cancelled) {
            this.say(`${label}: cancelled. Nothing was changed.`);
            return 'cancelled';
          }
        }
      } finally {
        this.busy = false;
        this.progress.hidden = true;
      }
    }

    // The window as shown, at the screen's scale: the form drawn from a copy
    // of its elements (the trace's canvases as images), as the page shows it.
    async savePicture() {
      this.say('');
      const root = document.getElementById('Ml');
      const copy = root.cloneNode(true);
      const originals = root.querySelectorAll('input, canvas');
      copy.querySelectorAll('input, canvas').forEach((element, index) => {
        const original = originals[index];
        if (original.tagName === 'CANVAS') {
          const image = document.createElement('img');
          image.src = original.toDataURL('image/png');
          image.className = original.className;
          image.style.cssText = original.style.cssText;
          element.replaceWith(image);
        } else if (original.type === 'radio') {
          if (original.checked)
            element.setAttribute('checked', '');
        } else {
          element.setAttribute('value', original.value);
        }
      });
      const width = root.offsetWidth, height = root.offsetHeight;
      const style = document.querySelector('style').textContent;
      const markup = new XMLSerializer().serializeToString(copy);
      const svg = `<svg xmlns="http://www.w3.org/2000/svg" width="${width}" height="${height}">` +
        `<foreignObject width="100%" height="100%"><div xmlns="http://www.w3.org/1999/xhtml">` +
        `<style>${style}</style>${markup}</div></foreignObject></svg>`;
      const image = new Image();
      image.src = 'data:image/svg+xml;charset=utf-8,' + encodeURIComponent(svg);
      await image.decode();
      const scale = window.devicePixelRatio || 1;
      const canvas = document.createElement('canvas');
      canvas.width = Math.round(width * scale);
      canvas.height = Math.round(height * scale);
      const context = canvas.getContext('2d');
      context.scale(scale, scale);
      context.drawImage(image, 0, 0);
      const blob = await new Promise((resolve) => canvas.toBlob(resolve, 'image/png'));
      this.download('talbrix-window.png', blob);
    }
  }

  document.addEventListener('talbrix-ready', (event) => {
    event.detail.runFiles = new RunFiles(event.detail);
  });
})();
