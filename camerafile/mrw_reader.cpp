// Minolta's MRW raw files: "\0MRM", the length of the blocks that follow
// (32 bits, big-endian like everything up to the TIFF structure), then the
// blocks from byte 8, each a 4-byte name, a 32-bit length and its content.
// The "\0TTW" block's content is a TIFF structure whose offsets count from
// its first byte: the file is read as that structure.
#include <array>
#include <string_view>

#include "camerafile/canon_file.h"
#include "camerafile/limits.h"

namespace camerafile {
namespace {

using namespace std::string_view_literals;

constexpr std::string_view kMrwSignature = "\0MRM"sv;
constexpr std::string_view kTiffBlock = "\0TTW"sv;
constexpr FileOffset kFirstBlock = 8;
constexpr FileOffset kBlockHeader = 8;  // name, length
constexpr TByteOrder kMrwOrder = TByteOrder::kBig;

}  // namespace

bool TCanonFile::EnterMrwTiff() {
  std::array<std::uint8_t, kFirstBlock> header{};
  DataFile.Seek(0);
  DataFile.Read(header.data(), header.size());
  const auto name = [](const std::uint8_t* bytes) {
    return std::string_view(reinterpret_cast<const char*>(bytes), 4);
  };
  if (name(header.data()) != kMrwSignature) return false;
  // The blocks lie inside the file, and each block inside the blocks.
  const std::int64_t blocks_length = DecodeLong(header.data() + 4, kMrwOrder);
  if (blocks_length > DataFile.Size() - kFirstBlock) return false;
  const FileOffset end = kFirstBlock + blocks_length;
  FileOffset block = kFirstBlock;
  for (std::int32_t seen = 0; seen < MrwLimits::kBlocks && end - block >= kBlockHeader; ++seen) {
    std::array<std::uint8_t, kBlockHeader> block_header{};
    DataFile.Seek(block);
    DataFile.Read(block_header.data(), block_header.size());
    const FileOffset content = block + kBlockHeader;
    const std::int64_t length = DecodeLong(block_header.data() + 4, kMrwOrder);
    if (length > end - content) return false;
    if (name(block_header.data()) == kTiffBlock) {
      if (length < kTiffHeaderSize || EnterTiffHeader(content) != TTiffHeader::kGood) return false;
      DataFile.Narrow(content, length);
      return EnterTiffHeader(0) == TTiffHeader::kGood;  // the same header, now at the start
    }
    block = content + length;
  }
  return false;
}

}  // namespace camerafile
