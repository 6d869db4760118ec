// A picture of the window as shown, at the screen's scale and the page's: the form drawn
// from a copy of its elements (the trace's canvases as images, the boxes'
// and option buttons' present state as attributes), as the page shows it.
'use strict';

/**
 * @param {HTMLElement} root the form
 * @returns {Promise<Blob>} a PNG
 */
async function pictureOf(root) {
  const copy = /** @type {HTMLElement} */ (root.cloneNode(true));
  const originals = root.querySelectorAll('input, canvas');
  copy.querySelectorAll('input, canvas').forEach((element, index) => {
    const original = originals[index];
    if (original instanceof HTMLCanvasElement) {
      const image = document.createElement('img');
      image.src = original.toDataURL('image/png');
      image.className = original.className;
      image.style.cssText = original.style.cssText;
      element.replaceWith(image);
    } else if (original instanceof HTMLInputElement && original.type === 'radio') {
      if (original.checked)
        element.setAttribute('checked', '');
    } else if (original instanceof HTMLInputElement) {
      element.setAttribute('value', original.value);
    }
  });
  const width = root.offsetWidth, height = root.offsetHeight;
  const style = /** @type {HTMLStyleElement} */ (document.querySelector('style')).textContent;
  const markup = new XMLSerializer().serializeToString(copy);
  const svg = `<svg xmlns="http://www.w3.org/2000/svg" width="${width}" height="${height}">` +
    `<foreignObject width="100%" height="100%"><div xmlns="http://www.w3.org/1999/xhtml">` +
    `<style>${style}</style>${markup}</div></foreignObject></svg>`;
  const image = new Image();
  image.src = 'data:image/svg+xml;charset=utf-8,' + encodeURIComponent(svg);
  await image.decode();
  const scale = deviceScale(); // as shown: a page fitted to its window gives a larger picture
  const canvas = document.createElement('canvas');
  canvas.width = Math.round(width * scale);
  canvas.height = Math.round(height * scale);
  const context = /** @type {CanvasRenderingContext2D} */ (canvas.getContext('2d'));
  context.scale(scale, scale);
  context.drawImage(image, 0, 0);
  return new Promise((resolve, reject) =>
    canvas.toBlob((blob) => (blob ? resolve(blob) : reject(new Error('no picture'))), 'image/png'));
}
