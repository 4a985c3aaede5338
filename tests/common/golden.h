// Expectations kept in text files next to the tests, byte for byte. A table
// holds one case a line, "input -> answer": each answer is worked out again
// from its input. A transcript file holds blocks under "== name" lines.
#pragma once
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace kit::testing {

inline std::vector<std::string> GoldenLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << "cannot read " << path;
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

// Lines starting with '#' are comments; the input is cut at its last " -> ".
inline void ExpectTable(const std::string& path, const std::function<std::string(const std::string&)>& answer) {
  int cases = 0;
  for (const std::string& l : GoldenLines(path)) {
    if (l.empty() || l[0] == '#') continue;
    const std::size_t arrow = l.rfind(" -> ");
    ASSERT_NE(arrow, std::string::npos) << l;
    EXPECT_EQ(answer(l.substr(0, arrow)), l.substr(arrow + 4)) << l;
    ++cases;
  }
  EXPECT_GT(cases, 0) << path;
}

// The block under "== name" in the file.
inline std::vector<std::string> GoldenBlock(const std::string& path, const std::string& name) {
  std::vector<std::string> block;
  bool in = false;
  for (const std::string& l : GoldenLines(path)) {
    if (l.rfind("== ", 0) == 0) {
      if (in) break;
      in = l == "== " + name;
    } else if (in) {
      block.push_back(l);
    }
  }
  EXPECT_TRUE(in) << "no block " << name << " in " << path;
  return block;
}

// The tab-separated fields of a table's input.
inline std::vector<std::string> Fields(const std::string& s) {
  std::vector<std::string> f;
  std::istringstream in(s);
  for (std::string x; std::getline(in, x, '\t');) f.push_back(x);
  if (!s.empty() && s.back() == '\t') f.push_back("");
  return f;
}

}  // namespace kit::testing
