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

// Where the segment in front of a slash starts: step back from 'from' until a slash or the
// start of the text; the segment begins just after the slash found, or at 0 (also when the
// starting point lies before the text).
size_t SegmentStart(const char* text, long from) {
  if (from < 0) return 0;
  while (from >= 0 && text[from] != kSlash) --from;
  return static_cast<size_t>(from + 1);
}

// The steps below rewrite the text in place: each reads at or after the position it writes,
// and returns the new length.

// Drops every "." segment that is followed by a slash. Whether a dot stands right after a
// slash is judged on the text before any removal.
size_t RemoveCurrentSegments(char* text, size_t length) {
  size_t w = 0;
  char before = '\0';  // the input byte in front of r
  for (size_t r = 0; r < length;) {
    const char c = text[r];
    if (c == '.' && r + 1 < length && text[r + 1] == kSlash && (r == 0 || before == kSlash)) {
      before = kSlash;
      r += 2;
      continue;
    }
    before = c;
    text[w++] = c;
    ++r;
  }
  return w;
}

// A ".." segment followed by a slash takes itself, its slash, the segment before it and that
// segment's slash away. The text written so far is a stack: the segment removed is always at
// its end, and the scan goes on at the point where it was cut, so that a following ".."
// removes the next segment to the left. A ".." at the start removes only itself and its
// slash. Stepping back only crosses bytes that are then removed, so the whole pass is linear.
size_t RemoveParentSegments(char* text, size_t length) {
  size_t w = 0;
  for (size_t r = 0; r < length;) {
    if (text[r] == '.' && r + 2 < length && text[r + 1] == '.' && text[r + 2] == kSlash &&
        (w == 0 || text[w - 1] == kSlash)) {
      w = SegmentStart(text, static_cast<long>(w) - 2);
      r += 3;
      continue;
    }
    text[w++] = text[r++];
  }
  return w;
}

size_t CollapseSlashes(char* text, size_t length) {
  size_t w = 0;
  for (size_t r = 0; r < length; ++r) {
    // The first two characters are never merged, so a leading UNC pair survives.
    if (text[r] == kSlash && w > 1 && text[w - 1] == kSlash) continue;
    text[w++] = text[r];
  }
  return w;
}

}  // namespace

CString GetCanonicalPathName(const CString& path, int caseSensitive) {
  // The rewrite works on the text as C code sees it: up to the first NUL.
  const char* raw = path;
  std::string buffer(raw, std::strlen(raw));
  char* text = buffer.data();
  size_t length = buffer.size();

  for (size_t i = 0; i < length; ++i)
    if (text[i] == '/') text[i] = kSlash;

  length = RemoveCurrentSegments(text, length);

  if (length == 1 && text[0] == '.') {
    length = 0;
  } else if (length > 1 && text[length - 1] == '.' && text[length - 2] == kSlash) {
    --length;
  }

  length = RemoveParentSegments(text, length);

  if (length == 2 && text[0] == '.' && text[1] == '.') {
    length = 0;
  } else if (length > 2 && text[length - 3] == kSlash && text[length - 2] == '.' && text[length - 1] == '.') {
    length = SegmentStart(text, static_cast<long>(length) - 4);
  }

  length = CollapseSlashes(text, length);
  if (length > 0 && text[length - 1] == kSlash) --length;

  CString result(text, static_cast<int>(length));
  if (!caseSensitive) result.MakeLower();
  return result;
}
