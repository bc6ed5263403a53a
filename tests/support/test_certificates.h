// Throw-away signing certificates for the signature tests: a PKCS#12 file
// holding an RSA key and its self-signed certificate, made with the openssl
// command in the process's temporary folder (made once per program, key
// size and password).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include "support/prerequisites.h"

namespace vn::test_support {

// The file, protected by `password`, with the common name "Fotarel Test
// Signer"; empty when openssl is missing or fails (a test failure then).
inline std::filesystem::path TestCertificate(int bits = 2048, const std::string& password = "secret") {
  static std::map<std::pair<int, std::string>, std::filesystem::path> made;
  const auto key = std::make_pair(bits, password);
  if (auto found = made.find(key); found != made.end()) return found->second;
  if (!HaveTool("openssl")) return {};
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vn_test_certificates";
  std::filesystem::create_directories(folder);
  const std::string stem = (folder / ("signer_" + std::to_string(bits) + "_" + std::to_string(made.size()))).string();
  auto run = [](const std::string& command) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return std::make_pair(-1, std::string());
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    const int status = pclose(pipe);
    return std::make_pair(WIFEXITED(status) ? WEXITSTATUS(status) : -1, text);
  };
  auto made_key = run("openssl req -x509 -newkey rsa:" + std::to_string(bits) + " -nodes -keyout '" + stem + ".key' -out '" + stem +
                      ".crt' -days 3650 -sha256 -subj '/CN=Fotarel Test Signer/O=Fotarel Tests'");
  if (made_key.first != 0) {
    ADD_FAILURE() << "openssl could not make the test key: " << made_key.second;
    return {};
  }
  auto exported = run("openssl pkcs12 -export -inkey '" + stem + ".key' -in '" + stem + ".crt' -out '" + stem + ".p12' -passout 'pass:" +
                      password + "'");
  if (exported.first != 0) {
    ADD_FAILURE() << "openssl could not make the PKCS#12 file: " << exported.second;
    return {};
  }
  made[key] = stem + ".p12";
  return made[key];
}

}  // namespace vn::test_support
