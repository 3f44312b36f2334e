#include "config.h"

#include <toml++/toml.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>

namespace kestrine {

namespace {

using Kind = NotifyChannel::Kind;
using Format = NotifyChannel::Format;

constexpr std::array<std::pair<std::string_view, Kind>, 3> kKinds = {
    {{"webhook", Kind::Webhook}, {"exec", Kind::Exec}, {"email", Kind::Email}}};
constexpr std::array<std::pair<std::string_view, Format>, 5> kFormats = {
    {{"json", Format::Json},
     {"ntfy", Format::Ntfy},
     {"gotify", Format::Gotify},
     {"discord", Format::Discord},
     {"slack", Format::Slack}}};
constexpr std::int64_t kLongestTimeout = 600;

template <typename T, std::size_t N>
std::string NameOf(const std::array<std::pair<std::string_view, T>, N>& names, T value) {
  for (const auto& [name, each] : names) {
    if (each == value) return std::string(name);
  }
  return {};
}

template <typename T, std::size_t N>
std::string NameList(const std::array<std::pair<std::string_view, T>, N>& names) {
  std::string list;
  for (std::size_t i = 0; i < N; ++i)
    list += (i == 0 ? "\"" : i + 1 == N ? " or \"" : ", \"") + std::string(names[i].first) + "\"";
  return list;
}

int LineOf(const toml::source_region& source) {
  return static_cast<int>(source.begin.line);
}

bool HasControl(std::string_view text) {
  return std::ranges::any_of(text, [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

// The host part of a URL ("https://user@[::1]:8080/x" gives "::1"), in lower case.
std::string UrlHost(std::string_view url) {
  std::string_view rest = url.substr(url.find("://") + 3);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos)
    rest.remove_prefix(at + 1);
  if (rest.starts_with('[')) {
    rest = rest.substr(1, rest.find(']') - 1);
  } else {
    rest = rest.substr(0, rest.find(':'));
  }
  std::string host(rest);
  std::ranges::transform(host, host.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return host;
}

std::optional<std::array<int, 4>> Ipv4(std::string_view host) {
  std::array<int, 4> parts{};
  std::size_t part = 0;
  int digits = 0;
  for (const char c : host) {
    if (c == '.') {
      if (digits == 0 || ++part == parts.size()) return std::nullopt;
      digits = 0;
    } else if (c >= '0' && c <= '9' && digits < 3) {
      parts[part] = parts[part] * 10 + (c - '0');
      ++digits;
    } else {
      return std::nullopt;
    }
  }
  if (digits == 0 || part != 3 || std::ranges::any_of(parts, [](int p) { return p > 255; }))
    return std::nullopt;
  return parts;
}

// Whether a host is this machine or one on its own network: the loopback, the private and
// link-local addresses, and the names a LAN gives (one label, .local, .lan, .home.arpa,
// .internal). Plain http:// goes only there: anywhere else the alert would cross the internet
// readable and changeable by anyone on the way.
bool LocalHost(const std::string& host) {
  if (host == "localhost") return true;
  if (host.find(':') != std::string::npos) {
    return host == "::1" || host.starts_with("fc") || host.starts_with("fd") ||
           host.starts_with("fe80:");
  }
  if (const std::optional<std::array<int, 4>> ip = Ipv4(host)) {
    const auto [a, b, c, d] = *ip;
    return a == 127 || a == 10 || (a == 172 && b >= 16 && b <= 31) || (a == 192 && b == 168) ||
           (a == 169 && b == 254);
  }
  if (host.empty()) return false;
  if (host.find('.') == std::string::npos) return true;
  for (const std::string_view suffix : {".local", ".lan", ".home.arpa", ".internal"}) {
    if (host.ends_with(suffix)) return true;
  }
  return false;
}

// Whether toml++ 3.3.0 mis-reads a code point: its test for non-ASCII whitespace sorts code
// points into children of 0x3FA by a mask, and for three children (from U+00A0, U+2C5E and
// U+FB26) it tests the one whitespace character the child holds and reaches
// __builtin_unreachable() for every other (undefined behaviour: anything may follow). The
// parser makes that test wherever it looks for whitespace or the end of a value, so such a
// character is refused wherever it stands, before toml++ sees the file.
bool MisreadByToml(char32_t c) {
  constexpr char32_t kFirst = 0xA0;
  constexpr char32_t kChild = 0x3FA;
  constexpr std::uint64_t kChildrenWithoutWhitespace = 0x7FFFFFFFFFFFF75E;
  if (c <= kFirst || c >= 0xFEFF || c == 0x3000) return false;
  const std::uint64_t child = (c - kFirst) / kChild;
  return ((kChildrenWithoutWhitespace >> child) & 1) == 0 && child != 5 && child != 7;
}

// The first code point of `text` that MisreadByToml, and its line; nullopt for none. Bytes that
// are not UTF-8 are left to toml++, which refuses them.
std::optional<std::pair<char32_t, int>> FirstMisreadCharacter(std::string_view text) {
  int line = 1;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte == '\n') ++line;
    if (byte < 0xC0) continue;
    const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
    if (at + length > text.size()) break;
    char32_t c = byte & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i)
      c = c << 6 | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    if (MisreadByToml(c)) return std::pair{c, line};
  }
  return std::nullopt;
}

std::string CodePointText(char32_t c) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "U+";
  for (int shift = 12; shift >= 0; shift -= 4) text += kDigits[(c >> shift) & 0xF];
  return text;
}

// "/usr/local/bin/disk-alert", or on Windows "C:\\Tools\\alert.exe" (either slash).
bool AbsoluteProgramPath(std::string_view path) {
  if (path.starts_with('/')) return true;
  const bool letter =
      !path.empty() && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return letter && path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

class ChannelReader {
 public:
  ChannelReader(const toml::table& table, std::vector<ConfigProblem>& problems)
      : table_(table), problems_(problems) {
    channel_.line = LineOf(table.source());
  }

  std::optional<NotifyChannel> Read() {
    const toml::node* kind = table_.get("kind");
    if (kind == nullptr) {
      Problem(channel_.line, "[[notify]] has no kind; give kind = " + NameList(kKinds));
      return std::nullopt;
    }
    const std::optional<std::string> kind_name = kind->value_exact<std::string>();
    const auto named = std::ranges::find_if(
        kKinds, [&](const auto& pair) { return kind_name && pair.first == *kind_name; });
    if (named == kKinds.end()) {
      Problem(LineOf(kind->source()), "kind: give " + NameList(kKinds));
      return std::nullopt;
    }
    channel_.kind = named->second;
    for (auto&& [key, node] : table_) {
      const std::string_view name = key.str();
      const int line = LineOf(key.source());
      if (name == "kind") continue;
      if (name == "timeout_seconds") {
        ReadTimeout(node, line);
      } else if (name == "url" && channel_.kind != Kind::Exec) {
        ReadUrl(node, line);
      } else if (name == "format" && channel_.kind == Kind::Webhook) {
        ReadFormat(node, line);
      } else if (name == "command" && channel_.kind == Kind::Exec) {
        ReadCommand(node, line);
      } else if (name == "from" && channel_.kind == Kind::Email) {
        if (const std::optional<std::string> from = Address(node, line, "from"))
          channel_.from = *from;
      } else if (name == "to" && channel_.kind == Kind::Email) {
        ReadRecipients(node, line);
      } else {
        Problem(line, "unknown key \"" + std::string(name) + "\" in a channel of kind \"" +
                          NameOf(kKinds, channel_.kind) + "\"");
      }
    }
    RequireWhatTheKindNeeds();
    if (faulty_) return std::nullopt;
    return channel_;
  }

 private:
  void Problem(int line, std::string text) {
    problems_.push_back({line, std::move(text)});
    faulty_ = true;
  }

  void ReadTimeout(const toml::node& node, int line) {
    const std::optional<std::int64_t> seconds = node.value_exact<std::int64_t>();
    if (!seconds || *seconds < 1 || *seconds > kLongestTimeout) {
      Problem(line, "timeout_seconds: give a whole number of seconds from 1 to " +
                        std::to_string(kLongestTimeout));
      return;
    }
    channel_.timeout_seconds = static_cast<int>(*seconds);
  }

  void ReadUrl(const toml::node& node, int line) {
    const std::optional<std::string> url = node.value_exact<std::string>();
    const bool email = channel_.kind == Kind::Email;
    const std::string schemes = email ? "smtp:// or smtps://" : "https:// or http://";
    if (!url || HasControl(*url) || url->find(' ') != std::string::npos) {
      Problem(line, "url: give a URL starting with " + schemes);
      return;
    }
    const bool secure = url->starts_with(email ? "smtps://" : "https://");
    const bool plain = url->starts_with(email ? "smtp://" : "http://");
    if (!secure && !plain) {
      Problem(line, "url: \"" + *url + "\" does not start with " + schemes);
      return;
    }
    const std::string host = UrlHost(*url);
    if (host.empty()) {
      Problem(line, "url: \"" + *url + "\" names no host");
      return;
    }
    // Mail over smtp:// is sent with STARTTLS required; only http:// is left in the clear.
    if (!email && plain && !LocalHost(host)) {
      Problem(line,
              "url: plain http:// goes only to a server on this machine or the local "
              "network; use https:// for \"" +
                  host + "\"");
      return;
    }
    channel_.url = *url;
  }

  void ReadFormat(const toml::node& node, int line) {
    const std::optional<std::string> format = node.value_exact<std::string>();
    const auto named = std::ranges::find_if(
        kFormats, [&](const auto& pair) { return format && pair.first == *format; });
    if (named == kFormats.end()) {
      Problem(line, "format: give " + NameList(kFormats));
      return;
    }
    channel_.format = named->second;
  }

  void ReadCommand(const toml::node& node, int line) {
    const toml::array* command = node.as_array();
    std::vector<std::string> argv;
    if (command != nullptr) {
      for (const toml::node& argument : *command) {
        const std::optional<std::string> text = argument.value_exact<std::string>();
        if (!text || text->find('\0') != std::string::npos) {
          argv.clear();
          break;
        }
        argv.push_back(*text);
      }
    }
    // A list, never a shell's line: nothing in a drive's texts can become a command.
    if (argv.empty() || !AbsoluteProgramPath(argv.front())) {
      Problem(line,
              "command: give a list of texts, the program's absolute path first "
              "([\"/usr/local/bin/disk-alert\", \"--urgent\"]); no shell runs it");
      return;
    }
    channel_.command = std::move(argv);
  }

  // An address alone ("disks@example.org"): no name, no line break that would start another
  // header of the mail.
  std::optional<std::string> Address(const toml::node& node, int line, std::string_view key) {
    const std::optional<std::string> address = node.value_exact<std::string>();
    if (!address || HasControl(*address) || address->find('@') == std::string::npos ||
        address->find_first_of(" <>,;\"") != std::string::npos) {
      Problem(line, std::string(key) + ": give a mail address alone (disks@example.org)");
      return std::nullopt;
    }
    return address;
  }

  void ReadRecipients(const toml::node& node, int line) {
    if (const toml::array* list = node.as_array()) {
      for (const toml::node& each : *list) {
        if (const std::optional<std::string> to = Address(each, line, "to"))
          channel_.to.push_back(*to);
      }
      if (list->empty()) Problem(line, "to: give at least one address");
    } else if (const std::optional<std::string> to = Address(node, line, "to")) {
      channel_.to.push_back(*to);
    }
  }

  void RequireWhatTheKindNeeds() {
    const auto need = [&](bool missing, std::string_view key) {
      if (missing && !faulty_) {
        Problem(channel_.line, "[[notify]] of kind \"" + NameOf(kKinds, channel_.kind) +
                                   "\" needs " + std::string(key));
      }
    };
    switch (channel_.kind) {
      case Kind::Webhook:
        need(channel_.url.empty(), "url");
        break;
      case Kind::Exec:
        need(channel_.command.empty(), "command");
        break;
      case Kind::Email:
        need(channel_.url.empty(), "url");
        need(channel_.from.empty(), "from");
        need(channel_.to.empty(), "to");
        break;
    }
  }

  const toml::table& table_;
  std::vector<ConfigProblem>& problems_;
  NotifyChannel channel_;
  bool faulty_ = false;
};

}  // namespace

ParsedConfig ParseConfig(std::string_view text) {
  ParsedConfig parsed;
  if (const auto misread = FirstMisreadCharacter(text)) {
    const std::string code = CodePointText(misread->first);
    parsed.problems.push_back(
        {misread->second, "the character " + code +
                              " is not taken here; in a \"text\" write it as \\u" +
                              code.substr(2)});
    return parsed;
  }
  toml::table document;
  try {
    document = toml::parse(text);
  } catch (const toml::parse_error& error) {
    parsed.problems.push_back({LineOf(error.source()), std::string(error.description())});
    return parsed;
  }
  for (auto&& [key, node] : document) {
    const int line = LineOf(key.source());
    if (key.str() != "notify") {
      parsed.problems.push_back({line, "unknown key \"" + std::string(key.str()) + "\""});
      continue;
    }
    const toml::array* channels = node.as_array();
    if (channels == nullptr || !channels->is_array_of_tables()) {
      parsed.problems.push_back({line, "notify: write each channel as a [[notify]] table"});
      continue;
    }
    for (const toml::node& each : *channels) {
      if (std::optional<NotifyChannel> channel =
              ChannelReader(*each.as_table(), parsed.problems).Read())
        parsed.config.channels.push_back(std::move(*channel));
    }
  }
  return parsed;
}

std::vector<std::string> DescribeConfig(const Config& config) {
  std::vector<std::string> lines;
  for (const NotifyChannel& channel : config.channels) {
    std::string line =
        "line " + std::to_string(channel.line) + ": " + NameOf(kKinds, channel.kind) + " ";
    switch (channel.kind) {
      case Kind::Webhook:
        line += channel.url + " (" + NameOf(kFormats, channel.format) + ")";
        break;
      case Kind::Exec:
        for (std::size_t i = 0; i < channel.command.size(); ++i)
          line += (i == 0 ? "\"" : " \"") + channel.command[i] + "\"";
        break;
      case Kind::Email:
        line += channel.url + " from " + channel.from + " to ";
        for (std::size_t i = 0; i < channel.to.size(); ++i)
          line += (i == 0 ? "" : ", ") + channel.to[i];
        break;
    }
    lines.push_back(line + ", timeout " + std::to_string(channel.timeout_seconds) + " s");
  }
  return lines;
}

std::string ConfigProblemText(const ConfigProblem& problem) {
  if (problem.line <= 0) return problem.text;
  return "line " + std::to_string(problem.line) + ": " + problem.text;
}

}  // namespace kestrine
