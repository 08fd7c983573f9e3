// DigestFiles: each worker claims files one at a time from a shared counter, reads each in
// pieces into a buffer of its own and feeds the pieces to the MD5 lanes (or, for CRC-32 alone,
// checksums each piece as it arrives, while it is still in the cache). The calling thread is
// one of the workers; the others start and end within the call.
#include "checksum/batch.h"

#include "checksum/crc32.h"
#include "checksum/md5_lanes.h"
#include "platform/scanfile.h"
#include "platform/win32.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace hk::checksum {

namespace {

// Large enough that a read's fixed cost is small next to its copy, small enough that a piece
// is still in the processor's cache when it is checksummed.
constexpr DWORD kPiece = 128 * 1024;
// Fewer files than this per worker do not pay for starting a thread.
constexpr size_t kFilesPerWorker = 32;
// A batch too small for more than one worker reads a file at least this large for its CRC-32 in
// parts side by side, each part at least kMinimumPart long: copying the bytes out of the system's
// cache, not the checksum, bounds one reader.
constexpr uint64_t kPartsFrom = 32 << 20;
constexpr uint64_t kMinimumPart = 16 << 20;

// A piece buffer whose start is cache-line aligned: the system's copy into a destination a few
// bytes off such a boundary is several times slower on some processors.
class PieceBuffer {
 public:
  unsigned char* Data() {
    if (m_storage.empty()) m_storage.resize(kPiece + 64);
    const auto address = reinterpret_cast<uintptr_t>(m_storage.data());
    return m_storage.data() + ((64 - address % 64) % 64);
  }

 private:
  std::vector<unsigned char> m_storage;
};

struct Batch {
  const char* const* names;
  size_t count;
  DWORD kinds;
  FileDigest* results;
  size_t cores;
  bool solo;  // one worker
  std::atomic<size_t> next{0};
};

// One file being read.
struct Reading {
  size_t index = 0;
  ScanFile file;
  uint64_t offset = 0;
  uint32_t crc = 0;
};

void Fail(Batch& batch, Reading& reading, DWORD error) {
  CloseScanFile(reading.file);
  batch.results[reading.index].error = error;
}

// Claims files until one opens; false when none is left. Files that fail to open get their
// error on the way.
bool OpenNext(Batch& batch, Reading& reading) {
  for (;;) {
    const size_t index = batch.next.fetch_add(1, std::memory_order_relaxed);
    if (index >= batch.count) return false;
    reading = Reading{};
    reading.index = index;
    FileDigest& result = batch.results[index];
    result = FileDigest{};
    if (OpenScanFile(batch.names[index], reading.file)) {
      reading.crc = Crc32Start();
      return true;
    }
    result.error = GetLastError();
  }
}

// Reads the next piece; 'last' when it ends the file. False (the file closed and its error
// recorded) when the read failed.
bool ReadPiece(Batch& batch, Reading& reading, unsigned char* buffer, DWORD& read, bool& last) {
  if (!ReadScanFile(reading.file, reading.offset, buffer, kPiece, &read)) {
    Fail(batch, reading, GetLastError());
    return false;
  }
  reading.offset += read;
  if (batch.kinds & DigestCRC32) reading.crc = Crc32Update(reading.crc, buffer, read);
  last = read < kPiece;
  return true;
}

void Finish(Batch& batch, Reading& reading) {
  CloseScanFile(reading.file);
  FileDigest& result = batch.results[reading.index];
  result.size = reading.offset;
  if (batch.kinds & DigestCRC32) result.crc32 = Crc32Finish(reading.crc, reading.offset);
}

// One stretch of a file read for its CRC-32: from 'start' to 'end', or to the end of the file
// for the last part. Every part but the first starts from a zero running value.
struct Part {
  uint64_t start = 0;
  uint64_t end = UINT64_MAX;
  uint32_t crc = 0;
  uint64_t read = 0;
  bool reachedEnd = false;  // the file ended within the part
  DWORD error = ERROR_SUCCESS;
};

void ReadPart(const ScanFile& file, Part& part) {
  PieceBuffer buffer;
  for (uint64_t offset = part.start; offset < part.end;) {
    const DWORD want = static_cast<DWORD>(std::min<uint64_t>(kPiece, part.end - offset));
    DWORD read = 0;
    if (!ReadScanFile(file, offset, buffer.Data(), want, &read)) {
      part.error = GetLastError();
      return;
    }
    part.crc = Crc32Update(part.crc, buffer.Data(), read);
    part.read += read;
    offset += read;
    if (read < want) {
      part.reachedEnd = true;
      return;
    }
  }
}

// Reads the file in parts on as many threads, then joins their values. A part that finds the
// end early (the file shrank) ends the file there, as one reader would have found it.
void ReadInParts(Batch& batch, Reading& reading) {
  const size_t count =
      static_cast<size_t>(std::min<uint64_t>(batch.cores, reading.file.size / kMinimumPart));
  std::vector<Part> parts(count);
  const uint64_t length = reading.file.size / count;
  for (size_t i = 0; i < count; ++i) {
    parts[i].start = i * length;
    if (i + 1 < count) parts[i].end = (i + 1) * length;
  }
  parts[0].crc = reading.crc;
  std::vector<std::thread> helpers;
  size_t next = 1;
  for (; next < count; ++next) {
    try {
      helpers.emplace_back(ReadPart, std::cref(reading.file), std::ref(parts[next]));
    } catch (const std::system_error&) {
      break;
    }
  }
  ReadPart(reading.file, parts[0]);
  for (; next < count; ++next) ReadPart(reading.file, parts[next]);
  for (auto& helper : helpers) helper.join();

  reading.crc = parts[0].crc;
  reading.offset = parts[0].read;
  for (size_t i = 0; i < count; ++i) {
    if (parts[i].error != ERROR_SUCCESS) return Fail(batch, reading, parts[i].error);
    if (i > 0) {
      reading.crc = Crc32Shift(reading.crc, parts[i].read) ^ parts[i].crc;
      reading.offset += parts[i].read;
    }
    if (parts[i].reachedEnd) break;
  }
  Finish(batch, reading);
}

void Crc32Worker(Batch& batch) {
  PieceBuffer buffer;
  Reading reading;
  while (OpenNext(batch, reading)) {
    if (batch.solo && batch.cores > 1 && reading.file.size >= kPartsFrom) {
      ReadInParts(batch, reading);
      continue;
    }
    DWORD read = 0;
    bool last = false;
    while (ReadPiece(batch, reading, buffer.Data(), read, last) && !last) {}
    if (reading.file.native != -1) Finish(batch, reading);
  }
}

struct LaneSlot {
  Reading reading;
  PieceBuffer buffer;
};

// Brings one lane as far as it goes without digesting: takes a finished digest, opens the next
// file, reads the next piece. Returns with the lane busy, or free when no file is left.
void Serve(Batch& batch, Md5Lanes& lanes, int lane, LaneSlot& slot) {
  for (;;) {
    switch (lanes.State(lane)) {
      case Md5Lanes::Lane::Busy: return;
      case Md5Lanes::Lane::Done:
        lanes.Take(lane, batch.results[slot.reading.index].md5);
        Finish(batch, slot.reading);
        break;
      case Md5Lanes::Lane::Free:
        if (!OpenNext(batch, slot.reading)) return;
        lanes.Start(lane);
        break;
      case Md5Lanes::Lane::Hungry: {
        unsigned char* data = slot.buffer.Data();
        DWORD read = 0;
        bool last = false;
        if (ReadPiece(batch, slot.reading, data, read, last)) lanes.Feed(lane, data, read, last);
        else lanes.Drop(lane);
        break;
      }
    }
  }
}

void Md5Worker(Batch& batch) {
  Md5Lanes lanes;
  std::vector<LaneSlot> slots(static_cast<size_t>(lanes.Lanes()));
  do {
    for (int lane = 0; lane < lanes.Lanes(); ++lane) Serve(batch, lanes, lane, slots[static_cast<size_t>(lane)]);
  } while (lanes.Run());
}

}  // namespace

void DigestFiles(const char* const* names, size_t count, DWORD kinds, FileDigest* results) {
  const size_t cores = std::max(1u, std::thread::hardware_concurrency());
  const size_t workers = std::min(cores, std::max<size_t>(1, count / kFilesPerWorker));
  Batch batch{names, count, kinds, results, cores, workers == 1};
  void (*work)(Batch&) = (kinds & DigestMD5) ? Md5Worker : Crc32Worker;
  // Settled before any helper starts, so that they only read what is built once.
  Crc32Tables();
  Md5FastestLaneKernel();

  std::vector<std::thread> helpers;
  for (size_t i = 1; i < workers; ++i) {
    try {
      helpers.emplace_back(work, std::ref(batch));
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the workers there are share the files
    }
  }
  work(batch);
  for (auto& helper : helpers) helper.join();
}

}  // namespace hk::checksum

void GetFileDigests(const CStringArray& paths, DWORD kinds, FileDigest* results) {
  std::vector<const char*> names(static_cast<size_t>(paths.GetSize()));
  for (size_t i = 0; i < names.size(); ++i) names[i] = paths[static_cast<int>(i)];
  hk::checksum::DigestFiles(names.data(), names.size(), kinds, results);
}
