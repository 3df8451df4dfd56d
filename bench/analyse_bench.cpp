// Cost of one Init + Analyse, file opening and closing included, on a typical
// camera JPEG, on 25 MiB raw files (TIFF, CIFF, CR3), a HEIF, and on the
// costliest crafted files.
// "bytes_read" counts the bytes fetched from the file per analysis.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>

#include "camerafile/canon_file.h"
#include "tests/file_builder.h"
#include "tests/hostile_corpus.h"

namespace {

using namespace testfile;

constexpr std::size_t kRawSize = 25u << 20;

class Files {
 public:
  Files() {
    // A camera JPEG: Exif segment, then some 60 KiB of image data.
    Bytes jpeg = Jpeg(CanonTiff(Order::kLittle), false);
    jpeg.PadTo(64 * 1024);
    Add("typical-jpeg", jpeg);
    // A ".cr2": directories at the start, then the image data.
    Bytes raw = CanonTiff(Order::kLittle);
    raw.PadTo(kRawSize);
    Add("raw-25MiB", raw);
    Add("ciff-25MiB", Ciff(Order::kLittle, kRawSize, 20u << 20, 1234567, 4321));
    // Today's files: the count in the camera-info record, the serial as text.
    const CanonRecord r5 = EosR5Record();
    Bytes cr3 = Cr3(Order::kLittle, r5);
    cr3.PadTo(kRawSize);
    Add("cr3-25MiB", cr3);
    Bytes heif = Heif(Order::kLittle, r5);
    heif.PadTo(4u << 20);
    Add("heif-4MiB", heif);
    // Real files of today's cameras and of other makers, read in place.
    for (const char* sample :
         {"eos-r6.cr3", "eos-r5.hif", "eos-r5.jpg", "nikon-d70.nef", "pentax-k10d.jpg",
          "sony-ilce-1.hif", "olympus-e-p3.orf", "panasonic-dmc-lx3.rw2",
          "fujifilm-finepix-s5pro.raf", "minolta-dimage-a2.mrw", "sigma-dp2.x3f", "kodak-z1275.jpg",
          "kodak-p850.kdc", "phaseone-credo-40.iiq"}) {
      const std::filesystem::path path = std::filesystem::path(AUSLOMAT_SAMPLES_DIR) / sample;
      if (std::filesystem::exists(path)) names_[std::string("sample-") + sample] = NameOf(path);
    }
    for (const HostileCase& c : HostileCorpus()) {
      if (c.name.rfind("short-", 0) != 0) Add(c.name, c.bytes);
    }
  }
  const std::map<std::string, camerafile::TFileName>& names() const { return names_; }

 private:
  void Add(const std::string& name, const Bytes& bytes) {
    names_[name] = NameOf(dir_.Write(name, bytes));
  }
  TempDir dir_;
  std::map<std::string, camerafile::TFileName> names_;
};

void Analyse(benchmark::State& state, const camerafile::TFileName& name) {
  auto file = std::make_unique<camerafile::TCanonFile>();
  file->Messages = nullptr;
  for (auto _ : state) {
    file->Init(name);
    file->Analyse();
    benchmark::DoNotOptimize(file->ShutterCount);
  }
  state.counters["bytes_read"] = static_cast<double>(file->DataFile.BytesRead());
}

}  // namespace

int main(int argc, char** argv) {
  const Files files;
  for (const auto& [label, name] : files.names()) {
    benchmark::RegisterBenchmark(label.c_str(), Analyse, name);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
