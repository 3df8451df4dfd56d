// The page's worker, around the compiled reader. Only the page can read the
// file (a worker of a page opened from disk cannot, in WebKit), so the page
// hands over the file's first 64 KiB with it, where a camera file keeps
// what the reader looks at: most files take one round. For a block past
// those the worker asks the page and analyses again once the block is
// there. The reader's reads are deterministic: every run reads what the
// console program reads up to its first missing block.

// The file under analysis: its size and the blocks the page handed over.
let pageFile = null;

class PageFile {
  constructor(id, size, head) {
    this.id = id;
    this.size = size;
    this.head = new Uint8Array(head ?? 0);  // the file's first bytes
    this.blocks = new Map();  // offset -> Uint8Array, empty where unreadable
    this.missing = null;      // the first block the last run lacked
  }

  read(offset, out, count) {
    // The head is read in whole blocks, or to the end of the file.
    if (offset < this.head.length) {
      const length = Math.min(count, this.head.length - offset);
      HEAPU8.set(this.head.subarray(offset, offset + length), out);
      return length;
    }
    const block = this.blocks.get(offset);
    if (block === undefined) {
      if (this.missing === null) this.missing = { at: offset, length: count };
      return 0;
    }
    const length = Math.min(count, block.length);
    HEAPU8.set(block.subarray(0, length), out);
    return length;
  }
}

var Module = {
  onRuntimeInitialized() {
    // Bytes as the camera wrote them, each shown as its Latin-1 character.
    const latin1 = (pointer) => {
      let text = '';
      for (let at = pointer; HEAPU8[at] !== 0; ++at) text += String.fromCharCode(HEAPU8[at]);
      return text;
    };
    // No destructuring declarations here: Emscripten 3.1.6's minifier drops them.
    const analyse = () => {
      pageFile.missing = null;
      const text = latin1(_AuslomatAnalyse());
      if (pageFile.missing !== null) {
        postMessage({ id: pageFile.id, need: pageFile.missing });
      } else {
        postMessage({
          id: pageFile.id,
          text,
          bytesRead: _AuslomatBytesRead(),
          fields: {
            valid: _AuslomatValid() === 1,
            headerError: latin1(_AuslomatHeaderError()),
            model: latin1(_AuslomatModel()),
            serial: latin1(_AuslomatSerial()),
            count: _AuslomatShutterCount(),
            includes: _AuslomatCountIncludes(),
            mechanical: _AuslomatMechanicalCount(),
            camera: latin1(_AuslomatCameraName()),
            make: latin1(_AuslomatMake()),
            taken: latin1(_AuslomatDateTaken()),
          },
        });
        pageFile = null;
      }
    };
    onmessage = ({ data }) => {
      if (data.size !== undefined) {
        pageFile = new PageFile(data.id, data.size, data.head);
      } else if (pageFile !== null && data.id === pageFile.id) {
        pageFile.blocks.set(data.at, new Uint8Array(data.bytes ?? 0));
      } else {
        return;
      }
      analyse();
    };
    // The banner, and what a file that cannot be read at all shows.
    postMessage({ banner: latin1(_AuslomatBanner()), unreadable: latin1(_AuslomatAnalyse()) });
  },
};
