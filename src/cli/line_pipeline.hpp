// The streaming pipeline of check and key: the lines of an input, read block by block, handled in
// chunks on the pool's workers, each chunk's reports and output written in input order once its
// turn comes. Memory stays the reader's buffer and a few chunks in flight, whatever the input's
// size.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "cli/commands.hpp"
#include "cli/line_chunk.hpp"
#include "cli/lines.hpp"
#include "cli/ordered_pool.hpp"
#include "cli/output.hpp"

namespace kolvi::cli {

// What a chunk's lines give for standard output, besides reports: held until the chunk's turn,
// or, for lines handled where they lie (whose turn has come), written as it grows.
class ChunkOutput {
 public:
  ChunkOutput() = default;
  explicit ChunkOutput(OutputStream& direct) noexcept : direct_(&direct) {}

  // The buffer to append to; call settle() after each piece.
  std::string& bytes() noexcept { return bytes_; }
  void settle() {
    if (direct_ != nullptr && bytes_.size() >= kChunkBytes) write_held();
  }
  // Appends `text`; text as long as a chunk goes straight out when it can.
  void append(std::string_view text) {
    if (direct_ != nullptr && text.size() >= kChunkBytes) {
      write_held();
      direct_->write(text);
      return;
    }
    bytes_ += text;
    settle();
  }
  void write_to(OutputStream& out) {
    out.write(bytes_);
    bytes_.clear();
  }

 private:
  void write_held() {
    direct_->write(bytes_);
    bytes_.clear();
  }

  std::string bytes_;
  OutputStream* direct_ = nullptr;
};

// Reads the lines of `fd`, called `name` in reports, and calls work(LineChunk&, ChunkOutput&)
// for each chunk of them on the pool's workers. The reader's buffer is reused, so each chunk
// keeps a copy of its lines. Lines that arrive as more than kLargeChunk bytes (a line that long,
// with what came after it in the same read) are handled where they lie, once the chunks before
// them are out: copies in flight stay within a few chunks, whatever the line lengths. Returns
// kAllValid or kSomeInvalid; a failed read is reported after the lines that did arrive, and
// returns kUsageOrReadError.
template <class Work>
int run_line_pipeline(int fd, std::string_view name, ReportFormat format, OrderedPool& pool,
                      Streams& streams, const Work& work) {
  struct OwnedChunk {
    OwnedChunk(std::string_view input_name, std::string_view text, std::size_t first_line)
        : bytes(text), lines(input_name, first_line, bytes) {}
    std::string bytes;
    LineChunk lines;
    ChunkOutput output;
  };
  LineReader reader(fd, kChunkBytes);
  // Someone typing lines sees each line's answer before the tool waits for the next line.
  reader.before_waiting([&] {
    pool.drain();
    streams.err.flush();
    streams.out.flush();
  });
  int status = kAllValid;
  std::size_t next_line = 1;
  SpareBuffers<std::string> spare_reports;
  try {
    while (const std::optional<std::string_view> lines = reader.next_lines()) {
      const std::size_t first_line = next_line;
      next_line += count_lines(*lines);
      if (lines->size() > kLargeChunk) {
        pool.drain();
        LineChunk in_place(name, first_line, *lines);
        in_place.format = format;
        ChunkOutput output(streams.out);
        work(in_place, output);
        write_reports(in_place, streams, status);
        output.write_to(streams.out);
        continue;
      }
      const auto chunk = std::make_shared<OwnedChunk>(name, *lines, first_line);
      chunk->lines.format = format;
      chunk->lines.reports = spare_reports.take();
      pool.submit([chunk, &work] { work(chunk->lines, chunk->output); },
                  [chunk, &streams, &status, &spare_reports] {
                    write_reports(chunk->lines, streams, status);
                    chunk->output.write_to(streams.out);
                    spare_reports.give_back(std::move(chunk->lines.reports));
                  });
    }
    pool.drain();
  } catch (const ReadError& error) {
    // The lines that did arrive are still handled.
    pool.drain();
    return report_read_failure(streams, name, error.error_number);
  }
  return status;
}

}  // namespace kolvi::cli
