// The page's worker, around the compiled reader: it mounts each file it is
// sent read-only, so that the reader fetches only the slices it reads, and
// answers with the lines the console program prints for it.
var Module = {
  onRuntimeInitialized() {
    // A slice that cannot be read (a folder, a file gone since the drop)
    // is a read error to the reader, which then sees zeros: never a crash.
    const readSlice = WORKERFS.stream_ops.read;
    WORKERFS.stream_ops.read = function (...args) {
      try {
        return readSlice.apply(this, args);
      } catch (error) {
        throw new FS.ErrnoError(29);  // EIO
      }
    };
    FS.mkdir('/in');
    // Bytes as the camera wrote them, each shown as its Latin-1 character.
    const latin1 = (pointer) => {
      let text = '';
      for (let at = pointer; HEAPU8[at] !== 0; ++at) text += String.fromCharCode(HEAPU8[at]);
      return text;
    };
    const analyse = (path) => latin1(ccall('AuslomatAnalyse', 'number', ['string'], [path]));
    onmessage = (event) => {
      const { id, file } = event.data;
      let mounted = false;
      try {
        FS.mount(WORKERFS, { blobs: [{ name: 'datei', data: file }] }, '/in');
        mounted = true;
      } catch (error) {
        // Not a file the browser can hand over: the reader finds nothing.
      }
      const text = analyse(mounted ? '/in/datei' : '/in/fehlt');
      if (mounted) FS.unmount('/in');
      postMessage({ id, text, bytesRead: _AuslomatBytesRead() });
    };
    // The banner, and what a file that cannot be read shows.
    postMessage({ banner: latin1(_AuslomatBanner()), unreadable: analyse('/in/fehlt') });
  },
};
