// The language of everything the page shows around the form (the form's
// captions and readouts are never translated): chosen once at start, before
// any text is shown, from lang= in the address, else the browser's
// languages; every text then comes from that language's catalogue, built
// into the page. Another language chosen in the page relabels it where it
// stands: the run, a lesson's answers and the clock go on untouched (a page
// opened from disk in a sandboxed frame could not even open itself again).
'use strict';

/** The access keys given so far: no two commands of the page share one. */
const takenAccessKeys = new Set();
/** @type {Array<[HTMLElement, string, string]>} every command, its text's key and fallback, in the order labelled */
const labelledCommands = [];

/**
 * Chooses the page's language and labels what the page's markup holds; the
 * rest of the page takes its texts from the bridge after this.
 * @param {Bridge} bridge
 * @returns {string} the tag of the language in use
 */
function choosePageLanguage(bridge) {
  let asked = null;
  try {
    asked = new URLSearchParams(location.search).get('lang');
  } catch (error) { /* an address that cannot be read asks for nothing */ }
  const tag = bridge.useLanguage([...(asked ? [asked] : []), ...(navigator.languages || [])]);
  // For screen readers, hyphenation and the browser's own controls.
  document.documentElement.lang = tag;
  relabelTexts(bridge);
  return tag;
}

/**
 * An element whose text is a text of the catalogue, relabelled with the page.
 * @param {Bridge} bridge
 * @param {HTMLElement} element
 * @param {string} key as in languages/en.texts
 */
function textIn(bridge, element, key) {
  element.dataset.text = key;
  element.textContent = bridge.textOf(key);
  return element;
}

/**
 * An attribute (a title, an accessible name) that is a text of the catalogue.
 * @param {Bridge} bridge
 * @param {HTMLElement} element
 * @param {string} name
 * @param {string} key
 */
function attributeIn(bridge, element, name, key) {
  element.dataset.textFor = [element.dataset.textFor, `${name}:${key}`].filter(Boolean).join(' ');
  element.setAttribute(name, bridge.textOf(key));
}

/**
 * Every text marked as the catalogue's (data-text, data-text-for="name:key"),
 * in the page's markup and in what the scripts built, in the language in use.
 * @param {Bridge} bridge
 */
function relabelTexts(bridge) {
  for (const element of /** @type {NodeListOf<HTMLElement>} */ (document.querySelectorAll('[data-text]')))
    element.textContent = bridge.textOf(element.dataset.text || '');
  for (const element of /** @type {NodeListOf<HTMLElement>} */ (document.querySelectorAll('[data-text-for]')))
    for (const pair of (element.dataset.textFor || '').split(' ')) {
      const [name, key] = pair.split(':');
      element.setAttribute(name, bridge.textOf(key));
    }
}

/**
 * Gives a command its text and its access key: the letter its text marks,
 * else `fallback`, else the first letter of the text no other command has;
 * none when every one is taken. Translations choose their letters within
 * one menu of the desktop, so on the page, where every command is in one
 * place, a letter may already be taken.
 * @param {Bridge} bridge
 * @param {HTMLElement} button
 * @param {string} key as in languages/en.texts
 * @param {string} fallback the page's letter for a text that marks none
 */
function labelCommand(bridge, button, key, fallback) {
  if (!labelledCommands.some(([command]) => command === button))
    labelledCommands.push([button, key, fallback]);
  const caption = bridge.textOf(key);
  button.textContent = caption;
  const letter = [bridge.accessKey(key), fallback, ...caption.toLowerCase()]
    .find((candidate) => /^[\p{L}\p{N}]$/u.test(candidate) && !takenAccessKeys.has(candidate));
  if (letter) {
    takenAccessKeys.add(letter);
    button.accessKey = letter;
  } else {
    button.removeAttribute('accesskey');
  }
}

/**
 * The page in language `tag` from now on: every text the catalogue gives,
 * the commands and their access keys relabelled in the order first given,
 * then the parts that compose their own texts told (talbrix-language-changed).
 * @param {Bridge} bridge
 * @param {string} tag
 */
function relabelPage(bridge, tag) {
  document.documentElement.lang = bridge.useLanguage([tag]);
  relabelTexts(bridge);
  takenAccessKeys.clear();
  for (const [button, key, fallback] of labelledCommands)
    labelCommand(bridge, button, key, fallback);
  document.dispatchEvent(new Event('talbrix-language-changed'));
  // Where the page may, its address says the language, for a reload or a
  // bookmark; a sandboxed frame may refuse, and the choice lasts the page's life.
  try {
    history.replaceState(history.state, '', addressInLanguage(location.href, tag));
  } catch (refused) { /* kept by the page alone */ }
}

/**
 * The choice of language, beside the commands: the languages that ship, each
 * by its own name.
 * @param {Bridge} bridge
 * @param {string} current the tag in use
 * @param {(tag: string) => unknown} choose
 * @returns {HTMLLabelElement}
 */
function languageChoice(bridge, current, choose) {
  const label = document.createElement('label');
  label.id = 'languageChoice';
  label.append(textIn(bridge, document.createElement('span'), 'page.language'), ' ');
  const choice = document.createElement('select');
  choice.id = 'language';
  for (const [tag, name] of bridge.languages()) {
    const option = new Option(name, tag, false, tag === current);
    option.lang = tag; // each name is read in its own language
    choice.add(option);
  }
  choice.addEventListener('change', () => choose(choice.value));
  label.append(choice);
  return label;
}

/**
 * The page's address with lang=`tag`, its other parameters as written.
 * @param {string} address
 * @param {string} tag
 */
function addressInLanguage(address, tag) {
  const url = new URL(address);
  const kept = url.search.slice(1).split('&').filter((part) => part && !/^lang(=|$)/.test(part));
  url.search = [...kept, 'lang=' + encodeURIComponent(tag)].join('&');
  return url.href;
}
