// pgwktool store: the per-user store as text, for backups, inspection and tests.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "foundation/reader_error.h"
#include "platform/store/store.h"
#include "platform/store/store_text.h"
#include "tools/pgwktool/command.h"

namespace pgwk::tool {

namespace {

std::unique_ptr<Store> openStore() {
  auto store = Store::openUserStore();
  // The store has already said why on stderr; the file stays as it was.
  if (!store->usable()) raiseError("the store %s cannot be used", store->file().c_str());
  return store;
}

int exportStore(const std::vector<std::string>& args) {
  if (args.size() > 2) throw UsageError{"export takes at most one FILE"};
  auto store = openStore();
  std::string text = exportStoreText(*store);
  if (args.size() == 1 || args[1] == "-") {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  std::ofstream out(args[1], std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) raiseError("cannot write %s", args[1].c_str());
  return 0;
}

int importStore(const std::vector<std::string>& args) {
  if (args.size() != 2) throw UsageError{"import needs one FILE"};
  std::string text;
  if (args[1] == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else {
    std::ifstream in(args[1], std::ios::binary);
    if (!in) raiseError("cannot read %s", args[1].c_str());
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
  }
  auto store = openStore();
  StoreImportResult result = importStoreText(*store, text);
  if (!result.ok) {
    std::fprintf(stderr, "pgwktool store import: %s: %s\n", args[1].c_str(), result.error.c_str());
    return 1;
  }
  return 0;
}

int runStore(const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError{"missing export, import or path"};
  if (args[0] == "export") return exportStore(args);
  if (args[0] == "import") return importStore(args);
  if (args[0] == "path" && args.size() == 1) {
    std::printf("%s\n", Store::userStorePath().c_str());
    return 0;
  }
  throw UsageError{"unknown store command '" + args[0] + "'"};
}

const CommandRegistration registration{{
    "store",
    "export [FILE] | import FILE | path",
    "the per-user store as text: export it (to stdout without FILE), replace it with an export, "
    "or show where it lives",
    runStore,
}};

}  // namespace
}  // namespace pgwk::tool
