// mountinfo through libmount.
#include "platform/linux/MountTable.h"

#include <libmount/libmount.h>
#include <sys/sysmacros.h>

#include <fstream>
#include <memory>
#include <sstream>

namespace sw::platform::linuxos {

namespace {

struct TableFree {
  void operator()(libmnt_table* t) const { mnt_unref_table(t); }
};
struct ContextFree {
  void operator()(libmnt_context* c) const { mnt_free_context(c); }
};
struct IterFree {
  void operator()(libmnt_iter* i) const { mnt_free_iter(i); }
};

std::string Text(const char* s) { return s ? s : ""; }

// The kernel writes a blank in a path as \040, as in mountinfo.
std::string UnescapeOctal(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool code = text[i] == '\\' && i + 3 < text.size() &&
                      text.find_first_not_of("01234567", i + 1) >= i + 4;
    if (code) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::vector<MountEntry> ReadMountInfo(const std::filesystem::path& mountInfoFile) {
  std::vector<MountEntry> entries;
  std::unique_ptr<libmnt_table, TableFree> table(mnt_new_table());
  if (!table || mnt_table_parse_file(table.get(), mountInfoFile.c_str()) != 0) return entries;
  std::unique_ptr<libmnt_iter, IterFree> iter(mnt_new_iter(MNT_ITER_FORWARD));
  libmnt_fs* fs = nullptr;
  while (iter && mnt_table_next_fs(table.get(), iter.get(), &fs) == 0) {
    MountEntry entry;
    dev_t devno = mnt_fs_get_devno(fs);
    entry.majMin = std::to_string(major(devno)) + ":" + std::to_string(minor(devno));
    entry.source = Text(mnt_fs_get_source(fs));
    entry.target = Text(mnt_fs_get_target(fs));
    entry.fsType = Text(mnt_fs_get_fstype(fs));
    entry.root = Text(mnt_fs_get_root(fs));
    entry.options = Text(mnt_fs_get_options(fs));
    entries.push_back(std::move(entry));
  }
  return entries;
}

bool MountAgain(const MountEntry& entry) {
  std::unique_ptr<libmnt_context, ContextFree> context(mnt_new_context());
  if (!context || mnt_context_set_source(context.get(), entry.source.c_str()) != 0 ||
      mnt_context_set_target(context.get(), entry.target.c_str()) != 0 ||
      mnt_context_set_fstype(context.get(), entry.fsType.c_str()) != 0 ||
      mnt_context_set_options(context.get(), entry.options.c_str()) != 0) {
    return false;
  }
  return mnt_context_mount(context.get()) == 0 && mnt_context_get_status(context.get()) == 1;
}

std::vector<std::string> ReadSwaps(const std::filesystem::path& swapsFile) {
  std::vector<std::string> swaps;
  std::ifstream in(swapsFile);
  std::string line;
  std::getline(in, line);  // the heading
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string name;
    if (fields >> name) swaps.push_back(UnescapeOctal(name));
  }
  return swaps;
}

}  // namespace sw::platform::linuxos
