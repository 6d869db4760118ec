// What the page's scripts may assume of the module's loader, which the page
// inlines before them: it takes the module's bytes and resolves to the module.
declare function createTalbrixModule(settings: { wasmBinary: ArrayBuffer }): Promise<any>;

// Every browser the page supports has it; the DOM library of the TypeScript
// that checks the page is older than it.
declare class DecompressionStream {
  constructor(format: 'gzip' | 'deflate' | 'deflate-raw');
  readonly readable: ReadableStream<Uint8Array>;
  readonly writable: WritableStream<Uint8Array>;
}
