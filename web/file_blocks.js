// The reader's file access in the browser (see camerafile/data_file.cpp):
// the size of the file under analysis and the bytes the page has read of
// it (reader.js).
mergeInto(LibraryManager.library, {
  AuslomatWebFileSize: function () {
    return pageFile === null ? -1 : pageFile.size;
  },
  AuslomatWebRead: function (offset, out, count) {
    return pageFile === null ? 0 : pageFile.read(offset, out, count);
  },
});
