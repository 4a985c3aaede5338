// Remark files built byte by byte, so that remark-tool is checked against the
// layout and not against the writer, and a scratch folder to run it in.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "apps/remark-tool/remark_tool.h"
#include "ports/le_bytes.h"
#include "ports/platform.h"

namespace kit::testing {

using Bytes = std::vector<std::uint8_t>;
using kit::Put16;
using kit::Put32;

inline void Append(Bytes& v, const Bytes& w) { v.insert(v.end(), w.begin(), w.end()); }

inline Bytes Stroke(unsigned remarker, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t width,
                    unsigned x, unsigned y, const std::vector<std::pair<int, int>>& steps, bool terminate = true) {
  Bytes v;
  Put16(v, remarker);
  v.insert(v.end(), {r, g, b, width});
  Put16(v, x);
  Put16(v, y);
  for (auto [dx, dy] : steps) {
    v.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(dx)));
    v.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(dy)));
  }
  if (terminate) Put16(v, 0);
  return v;
}

class RemarkToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    dir_ = std::filesystem::temp_directory_path() / ("remark_tool_test_" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Out(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    std::ofstream(Out(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return Out(name);
  }
  int Run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    int status = remark_tool::Run(args, DefaultPlatform(), out, err);
    out_ = out.str();
    err_ = err.str();
    return status;
  }

  std::filesystem::path dir_;
  std::string out_, err_;
};

}  // namespace kit::testing
