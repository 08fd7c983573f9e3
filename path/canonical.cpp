// The canonical text form of a path name: pure text rewriting, byte by byte, so that two
// spellings of one name compare equal as strings.
//
// Each step makes one pass over the text and only appends to or cuts back its output, so the
// whole rewrite takes time proportional to the length of the name, however many ".." segments
// it holds.
#include <hostkit/path.h>

#include <cstring>
#include <string>

namespace {

constexpr char kSlash = '\\';

bool EndsInSlash(const std::string& text) { return !text.empty() && text.back() == kSlash; }

// Where the segment in front of a slash starts: step back from 'from' until a slash or the
// start of the text; the segment begins just after the slash found, or at 0 (also when the
// starting point lies before the text).
size_t SegmentStart(const std::string& text, long from) {
  if (from < 0) return 0;
  while (from >= 0 && text[static_cast<size_t>(from)] != kSlash) --from;
  return static_cast<size_t>(from + 1);
}

// Drops every "." segment that is followed by a slash. Whether a dot stands right after a
// slash is judged on the text before any removal.
std::string RemoveCurrentSegments(const std::string& in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size();) {
    if (in[i] == '.' && i + 1 < in.size() && in[i + 1] == kSlash && (i == 0 || in[i - 1] == kSlash)) {
      i += 2;
      continue;
    }
    out += in[i++];
  }
  return out;
}

// A ".." segment followed by a slash takes itself, its slash, the segment before it and that
// segment's slash away. The output so far is a stack: the segment removed is always at its
// end, and the scan goes on at the point where it was cut, so that a following ".." removes
// the next segment to the left. A ".." at the start removes only itself and its slash.
std::string RemoveParentSegments(const std::string& in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size();) {
    if (in[i] == '.' && i + 2 < in.size() && in[i + 1] == '.' && in[i + 2] == kSlash &&
        (out.empty() || out.back() == kSlash)) {
      out.resize(SegmentStart(out, static_cast<long>(out.size()) - 2));
      i += 3;
      continue;
    }
    out += in[i++];
  }
  return out;
}

std::string CollapseSlashes(const std::string& in) {
  std::string out;
  out.reserve(in.size());
  for (char c : in) {
    // The first two characters are never merged, so a leading UNC pair survives.
    if (c == kSlash && out.size() > 1 && out.back() == kSlash) continue;
    out += c;
  }
  return out;
}

}  // namespace

CString GetCanonicalPathName(const CString& path, int caseSensitive) {
  // The rewrite works on the text as C code sees it: up to the first NUL.
  const char* raw = path;
  std::string text(raw, std::strlen(raw));

  for (char& c : text)
    if (c == '/') c = kSlash;

  text = RemoveCurrentSegments(text);

  if (text == ".") {
    text.clear();
  } else if (text.size() > 1 && text.back() == '.' && text[text.size() - 2] == kSlash) {
    text.pop_back();
  }

  text = RemoveParentSegments(text);

  if (text == "..") {
    text.clear();
  } else if (text.size() > 2 && text.compare(text.size() - 3, 3, "\\..") == 0) {
    text.resize(SegmentStart(text, static_cast<long>(text.size()) - 4));
  }

  text = CollapseSlashes(text);
  if (EndsInSlash(text)) text.pop_back();

  CString result(text.c_str(), static_cast<int>(text.size()));
  if (!caseSensitive) result.MakeLower();
  return result;
}
