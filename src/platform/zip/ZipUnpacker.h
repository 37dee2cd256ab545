#pragma once
// Zip archives through libzip, on either platform. Every entry is checked before the
// first byte is written (name, type, count, declared sizes); then each entry is read to
// its end, which is where libzip compares the data with the entry's CRC, while the real
// sizes are counted against the same limits, since a declared size may lie. The files go
// into the destination through the platform's OutputFolder, which creates files only
// where none was and never follows a link; on any failure what was written is removed.
#include <memory>
#include <string>

#include "platform/Archive.h"

namespace bx {

// One file being written; Finish flushes it to the disk and closes it.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  virtual bool Write(const char* data, std::size_t size, std::string& error) = 0;
  virtual bool Finish(std::string& error) = 0;
};

// The destination folder as an unpack writes into it. Paths are relative, "/"-separated,
// and have passed SafeEntryName.
class OutputFolder {
 public:
  virtual ~OutputFolder() = default;
  // Makes the folder; `created` false when a real folder (not a link) was there already.
  virtual bool MakeFolder(const std::string& rel, bool& created, std::string& error) = 0;
  // A new file: fails when anything of that name exists, a link included.
  virtual std::unique_ptr<OutputFile> NewFile(const std::string& rel, std::string& error) = 0;
  virtual void RemoveFile(const std::string& rel) = 0;
  virtual void RemoveFolder(const std::string& rel) = 0;
};

class ZipUnpacker : public ArchiveUnpacker {
 public:
  // `folderAt` gives the OutputFolder of a destination path.
  using FolderMaker = std::unique_ptr<OutputFolder> (*)(const std::string& destination);
  explicit ZipUnpacker(FolderMaker folderAt) : folderAt_(folderAt) {}

  UnpackResult Unpack(const std::string& archivePath, const std::string& destination,
                      const ArchiveLimits& limits) override;

 private:
  FolderMaker folderAt_;
};

}  // namespace bx
