// The page's reader, around the compiled one: it runs in the page itself
// (at most 64 KiB and a few milliseconds for any file, so it cannot freeze
// the page). Reading a file in the browser is asynchronous and the reader's
// reads are not, so the page hands over the bytes it has read, and where
// the reader lacks a block, the run says which and the page analyses again
// once it has read it. The reader's reads are deterministic: every run
// reads what the console program reads up to its first missing block.

// The file under analysis: its size and the bytes the page has read of it.
var pageFile = null;

class PageFile {
  constructor(size, head, blocks) {
    this.size = size;
    this.head = head;      // Uint8Array: the file's first bytes
    this.blocks = blocks;  // offset -> Uint8Array, empty where unreadable
    this.missing = null;   // the first block this run lacked
  }

  read(offset, out, count) {
    // The head holds whole blocks, or runs to the end of the file.
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

// Bytes as the camera wrote them, each shown as its Latin-1 character: one
// call for the whole string, not a step of script per byte (WebKit runs a
// page's script uncompiled at first).
function latin1(pointer) {
  const end = HEAPU8.indexOf(0, pointer);
  return String.fromCharCode.apply(null, HEAPU8.subarray(pointer, end));
}

// No destructuring declarations here: Emscripten 3.1.6's minifier drops them.
Module['banner'] = function () {
  return latin1(_AuslomatBanner());
};

// What a file that cannot be read at all shows.
Module['unreadable'] = function () {
  pageFile = null;
  return latin1(_AuslomatAnalyse());
};

// One run over a file of `size` bytes with the bytes read so far: the
// block it lacked ({ need }), or what the page shows.
Module['analyse'] = function (size, head, blocks) {
  pageFile = new PageFile(size, head, blocks);
  const text = latin1(_AuslomatAnalyse());
  const missing = pageFile.missing;
  pageFile = null;
  if (missing !== null) return { need: missing };
  return {
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
  };
};
