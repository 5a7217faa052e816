// mountinfo through libmount.
#include "platform/linux/MountTable.h"

#include <libmount/libmount.h>
#include <sys/sysmacros.h>

#include <memory>

namespace sw::platform::linuxos {

namespace {

struct TableFree {
  void operator()(libmnt_table* t) const { mnt_unref_table(t); }
};
struct IterFree {
  void operator()(libmnt_iter* i) const { mnt_free_iter(i); }
};

std::string Text(const char* s) { return s ? s : ""; }

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
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace sw::platform::linuxos
