// The registry text-file reader over any bytes, then a walk of every key and value it kept.
#include <string>

#include "fuzz_support.h"
#include "registry/RegFile.h"

using namespace tessaly;

namespace {

// Depth-first over the tree; bounded so that a deep tree stays quick.
void Walk(const TRegistry& r, TRegRoot root, const std::string& path, int depth, int& budget) {
  if (depth > 64 || --budget < 0) return;
  FUZZ_CHECK(path.empty() || r.KeyExists(root, path));
  r.ReadString(root, path, "");
  r.ReadString(root, path, "Store Root");
  const auto names = r.SubKeyNames(root, path);
  if (!names) return;
  for (const auto& name : *names)
    Walk(r, root, path.empty() ? name : path + "\\" + name, depth + 1, budget);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::AsText(data, size);
  TRegFileRegistry all;
  all.LoadText(bytes, TRegRoot::CurrentUser);
  int budget = 4096;
  Walk(all, TRegRoot::CurrentUser, "", 0, budget);
  Walk(all, TRegRoot::LocalMachine, "", 0, budget);
  all.ToLocalPath(bytes.substr(0, 256));

  TRegFileRegistry some;
  some.LoadText(bytes, TRegRoot::LocalMachine, {"Software\\Microsoft", "Identities"});
  budget = 4096;
  Walk(some, TRegRoot::LocalMachine, "", 0, budget);
  return 0;
}
