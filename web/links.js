// A case by link: "Copy Link" puts the page's own address with the run (or
// the open lesson) after '#' on the clipboard and in a field to select from,
// and an address that carries a case opens it as Open Scenario... would. The
// case stays in the fragment, which a browser never sends to a server, so a
// link works from a file on disk and from any static web host alike.
'use strict';

class CaseLinks {
  /**
   * @param {Simulator} simulator
   * @param {RunFiles} runFiles
   */
  constructor(simulator, runFiles) {
    this.bridge = simulator.bridge;
    this.runFiles = runFiles;
    const element = (/** @type {string} */ id) => /** @type {HTMLElement} */ (document.getElementById(id));
    this.panel = element('link');
    this.field = /** @type {HTMLInputElement} */ (element('linkField'));
    this.word = element('linkWord');
    runFiles.addCommand('copyLink', 'menu.run.copy-link', null, 'i', () => this.copy());
    // A link pasted into the address bar of the open page changes only its
    // fragment: no new page loads, so the case is opened here.
    window.addEventListener('hashchange', () => this.openFromAddress());
    document.addEventListener('talbrix-language-changed', () => { this.word.textContent = ''; });
  }

  /**
   * The link to what the page holds: an open lesson, or the run so far.
   * @param {string} [address] the page's, by default its own
   */
  link(address = location.href) {
    const lesson = this.bridge.lessonText();
    return this.bridge.caseLink(address, lesson || this.bridge.scenario());
  }

  async copy() {
    const link = this.link();
    this.field.value = link;
    this.panel.hidden = false;
    this.field.focus();
    this.field.select();
    const long = this.bridge.longLinkWord(link.length);
    const copied = await copyText(link, this.field);
    this.word.textContent = [this.bridge.textOf(copied ? 'link.on-clipboard' : 'link.select-and-copy'), long]
      .filter(Boolean).join(' ');
  }

  /**
   * Opens the case the page's address carries, if any; a link that cannot
   * be read says why and the page opens as usual.
   */
  async openFromAddress() {
    const reading = this.bridge.readCaseLink(location.href);
    if (!reading)
      return false;
    if (reading.error) {
      this.runFiles.say(reading.error);
      return false;
    }
    const opened = await this.runFiles.open(this.bridge.textOf('link.name'), reading.text);
    // When the case stood in the page, for the scripts that measure it.
    document.documentElement.dataset.caseOpened = performance.now().toFixed(1);
    return opened;
  }
}

/**
 * Puts text on the clipboard where the page may (a sandboxed frame or a
 * browser may refuse either way), else leaves it selected in `field`.
 * @param {string} text
 * @param {HTMLInputElement} field holding the text, selected
 * @returns {Promise<boolean>}
 */
async function copyText(text, field) {
  try {
    await navigator.clipboard.writeText(text);
    return true;
  } catch (error) {
    // Refused or absent: the older way, from the selected field.
  }
  try {
    field.select();
    return document.execCommand('copy');
  } catch (error) {
    return false;
  }
}
