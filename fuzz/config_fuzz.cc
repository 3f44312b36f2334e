// Arbitrary bytes as the configuration file: no text crashes the parser, each problem says what
// it is, and every channel kept is one the program can use as it is.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "config.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const kestrine::ParsedConfig parsed = kestrine::ParseConfig(text);
  for (const kestrine::ConfigProblem& problem : parsed.problems) {
    Check(!problem.text.empty() && problem.line >= 0);
    Check(!kestrine::ConfigProblemText(problem).empty());
  }
  using Kind = kestrine::NotifyChannel::Kind;
  for (const kestrine::NotifyChannel& channel : parsed.config.channels) {
    Check(channel.line >= 1 && channel.timeout_seconds >= 1);
    switch (channel.kind) {
      case Kind::Webhook:
        Check(channel.url.starts_with("https://") || channel.url.starts_with("http://"));
        break;
      case Kind::Exec:
        Check(!channel.command.empty() && channel.command.front().size() >= 1);
        break;
      case Kind::Email:
        Check(channel.url.starts_with("smtp") && !channel.from.empty() && !channel.to.empty());
        for (const std::string_view address : channel.to)
          Check(address.find_first_of("\r\n") == std::string_view::npos);
        break;
    }
  }
  Check(kestrine::DescribeConfig(parsed.config).size() == parsed.config.channels.size());
  return 0;
}
