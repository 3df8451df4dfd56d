// The page's worker, around the compiled reader. Only the page can read the
// file (a worker of a page opened from disk cannot, in WebKit), so the
// worker asks it for each block the reader misses and analyses again once
// the block is there. The reader's reads are deterministic: every run reads
// what the console program reads up to its first missing block, so each
// round adds one of the at most 16 blocks the console program reads, and
// the page reads exactly those blocks, never more.

// The file under analysis: its size and the blocks the page handed over.
let pageFile = null;

class PageFile {
  constructor(id, size) {
    this.id = id;
    this.size = size;
    this.blocks = new Map();  // offset -> Uint8Array, empty where unreadable
    this.missing = null;      // the first block the last run lacked
  }

  read(offset, out, count) {
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
          },
        });
        pageFile = null;
      }
    };
    onmessage = ({ data }) => {
      if (data.size !== undefined) {
        pageFile = new PageFile(data.id, data.size);
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
