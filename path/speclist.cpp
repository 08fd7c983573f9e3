// Wildcard spec lists: a user-written list of specs such as "*.txt; *.doc" and the test of a
// file name against it.
#include <hostkit/path.h>

#include "path/internal.h"

#include <string>

namespace {

constexpr char kQuote = '"';
// The four characters that end a spec, searched for as one set.
constexpr const char* kSeparators = "\",; ";

}  // namespace

namespace hk::path {

BOOL NameMatchesSpec(const CString& name, const CString& spec) {
  const SplitName specParts = SplitPathName(spec);
  const SplitName nameParts = SplitPathName(name);
  return MatchWildcard(specParts.base, 0, nameParts.base, 0) &&
                 MatchWildcard(specParts.extension, 0, nameParts.extension, 0)
             ? TRUE
             : FALSE;
}

}  // namespace hk::path

int NameIsInSpecList(const CString& name, const CString& specList) {
  // The list is read in place: 'rest' is the offset of the text not yet read.
  const std::string& list = specList.str();
  size_t rest = 0;
  for (;;) {
    const size_t separator = list.find_first_of(kSeparators, rest);
    size_t specStart = rest;
    size_t specEnd;
    bool last = false;
    if (separator == std::string::npos) {
      specEnd = list.size();
      last = true;
    } else if (list[separator] == kQuote) {
      // Whatever stood before the opening quote is dropped.
      const size_t closing = list.find(kQuote, separator + 1);
      if (closing == std::string::npos) return FALSE;
      specStart = separator + 1;
      specEnd = closing;
      rest = closing + 1;
    } else {
      specEnd = separator;
      rest = separator + 1;
    }
    CString spec(list.c_str() + specStart, static_cast<int>(specEnd - specStart));
    spec.TrimLeft();
    spec.TrimRight();
    if (hk::path::NameMatchesSpec(name, spec)) return TRUE;
    if (last) return FALSE;
  }
}
