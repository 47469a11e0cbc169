#include "scanner/scenario.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace tvscan {
namespace {

struct Name {
  const char* text;
  uint32_t value;
};

// Names the failure rules may use; numbers are accepted as well.
constexpr Name kGroups[] = {{"DG_CONTROL", 1}, {"DG_IMAGE", 2}};
constexpr Name kDats[] = {
    {"DAT_CAPABILITY", 0x0001},   {"DAT_EVENT", 0x0002},         {"DAT_IDENTITY", 0x0003},
    {"DAT_PENDINGXFERS", 0x0005}, {"DAT_SETUPMEMXFER", 0x0006},  {"DAT_SETUPFILEXFER", 0x0007},
    {"DAT_STATUS", 0x0008},       {"DAT_USERINTERFACE", 0x0009}, {"DAT_IMAGEINFO", 0x0101},
    {"DAT_IMAGELAYOUT", 0x0102},  {"DAT_IMAGEMEMXFER", 0x0103},  {"DAT_IMAGENATIVEXFER", 0x0104},
    {"DAT_IMAGEFILEXFER", 0x0105}, {"DAT_PALETTE8", 0x010a},     {"DAT_INQUIRY", 0x8001}};
constexpr Name kMsgs[] = {
    {"MSG_GET", 0x0001},        {"MSG_GETCURRENT", 0x0002}, {"MSG_GETDEFAULT", 0x0003},
    {"MSG_SET", 0x0006},        {"MSG_RESET", 0x0007},      {"MSG_OPENDS", 0x0401},
    {"MSG_CLOSEDS", 0x0402},    {"MSG_DISABLEDS", 0x0501},  {"MSG_ENABLEDS", 0x0502},
    {"MSG_PROCESSEVENT", 0x0601}, {"MSG_ENDXFER", 0x0701}};
constexpr Name kReturnCodes[] = {{"TWRC_SUCCESS", 0}, {"TWRC_FAILURE", 1}, {"TWRC_CHECKSTATUS", 2},
                                 {"TWRC_CANCEL", 3}};
constexpr Name kConditionCodes[] = {
    {"TWCC_SUCCESS", 0},      {"TWCC_BUMMER", 1},          {"TWCC_LOWMEMORY", 2},
    {"TWCC_NODS", 3},         {"TWCC_MAXCONNECTIONS", 4},  {"TWCC_OPERATIONERROR", 5},
    {"TWCC_BADCAP", 6},       {"TWCC_BADPROTOCOL", 9},     {"TWCC_BADVALUE", 10},
    {"TWCC_SEQERROR", 11},    {"TWCC_BADDEST", 12},        {"TWCC_CAPUNSUPPORTED", 13},
    {"TWCC_CAPBADOPERATION", 14}, {"TWCC_CAPSEQERROR", 15}, {"TWCC_DENIED", 16},
    {"TWCC_FILEEXISTS", 17},  {"TWCC_FILENOTFOUND", 18},   {"TWCC_NOTEMPTY", 19},
    {"TWCC_PAPERJAM", 20},    {"TWCC_PAPERDOUBLEFEED", 21}, {"TWCC_FILEWRITEERROR", 22},
    {"TWCC_CHECKDEVICEONLINE", 23}};
constexpr Name kCapabilities[] = {
    {"CAP_XFERCOUNT", 0x0001},      {"ICAP_COMPRESSION", 0x0100},  {"ICAP_PIXELTYPE", 0x0101},
    {"ICAP_UNITS", 0x0102},         {"ICAP_XFERMECH", 0x0103},     {"CAP_FEEDERENABLED", 0x1002},
    {"CAP_FEEDERLOADED", 0x1003},   {"CAP_SUPPORTEDCAPS", 0x1005}, {"CAP_UICONTROLLABLE", 0x100e},
    {"CAP_DEVICEONLINE", 0x100f},   {"CAP_DUPLEX", 0x1012},        {"CAP_ENABLEDSUIONLY", 0x1014},
    {"CAP_JOBCONTROL", 0x1017},     {"ICAP_BITDEPTH", 0x112b},     {"ICAP_CCITTKFACTOR", 0x111d},
    {"ICAP_XRESOLUTION", 0x1118},   {"ICAP_YRESOLUTION", 0x1119},  {"ICAP_PIXELFLAVOR", 0x111f},
    {"ICAP_IMAGEFILEFORMAT", 0x110c}};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

bool ParseNumber(std::string_view text, uint32_t max, uint32_t& value) {
  if (text.empty() || text.size() > 10) return false;
  std::string copy(text);
  char* end = nullptr;
  unsigned long parsed = std::strtoul(copy.c_str(), &end, 0);
  if (*end != '\0' || !std::isdigit(static_cast<unsigned char>(copy[0])) || parsed > max) return false;
  value = static_cast<uint32_t>(parsed);
  return true;
}

template <size_t N>
bool ParseName(std::string_view text, const Name (&names)[N], uint32_t max, uint32_t& value) {
  for (const Name& name : names) {
    if (text == name.text) {
      value = name.value;
      return true;
    }
  }
  return ParseNumber(text, max, value);
}

bool ParseBool(std::string_view text, bool& value) {
  if (text == "1" || text == "yes" || text == "true") return value = true, true;
  if (text == "0" || text == "no" || text == "false") return value = false, true;
  return false;
}

// Texts may be written in double quotes to keep blanks at their ends.
bool ParseText(std::string_view text, size_t max, std::string& value) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  if (text.size() > max) return false;
  value = std::string(text);
  return true;
}

// One "page N" or "cap NAME" after the codes; each at most once.
bool ParseQualifier(const std::string& word, std::istringstream& words, FailureRule& rule) {
  std::string operand;
  if (!(words >> operand)) return false;
  uint32_t value = 0;
  if (word == "page" && rule.page == 0) {
    return ParseNumber(operand, 100000, rule.page) && rule.page != 0;
  }
  if (word == "cap" && rule.cap == 0 && rule.dat == 0x0001) {
    if (!ParseName(operand, kCapabilities, 0xFFFF, value) || value == 0) return false;
    rule.cap = static_cast<uint16_t>(value);
    return true;
  }
  return false;
}

// "GROUP DAT MSG RC CC [page N] [cap NAME]"
bool ParseFailure(std::string_view text, FailureRule& rule) {
  std::istringstream words{std::string(text)};
  std::string group, dat, msg, rc, cc, word;
  if (!(words >> group >> dat >> msg >> rc >> cc)) return false;
  uint32_t value = 0;
  if (!ParseName(group, kGroups, 0xFFFF, rule.group)) return false;
  if (!ParseName(dat, kDats, 0xFFFF, value)) return false;
  rule.dat = static_cast<uint16_t>(value);
  if (!ParseName(msg, kMsgs, 0xFFFF, value)) return false;
  rule.msg = static_cast<uint16_t>(value);
  if (!ParseName(rc, kReturnCodes, 0xFFFF, value)) return false;
  rule.return_code = static_cast<uint16_t>(value);
  if (!ParseName(cc, kConditionCodes, 0xFFFF, value)) return false;
  rule.condition_code = static_cast<uint16_t>(value);
  while (words >> word) {
    if (!ParseQualifier(word, words, rule)) return false;
  }
  return true;
}

// "WIDTH LENGTH", both from 1 to 10,000,000 pixels.
bool ParseSize(std::string_view text, uint32_t& width, uint32_t& length) {
  std::istringstream words{std::string(text)};
  std::string first, second, rest;
  if (!(words >> first >> second) || (words >> rest)) return false;
  constexpr uint32_t kMaxPixels = 10000000;
  return ParseNumber(first, kMaxPixels, width) && width > 0 && ParseNumber(second, kMaxPixels, length) &&
         length > 0;
}

// Applies one key; false with `message` set when the key is unknown or its value bad.
bool Apply(std::string_view key, std::string_view value, Scenario& s, std::string& message) {
  bool good = false;
  bool known = true;
  if (key == "pages") {
    good = ParseNumber(value, 1000, s.pages);
    s.pages_given = good;
  } else if (key == "online") {
    good = ParseBool(value, s.online);
  } else if (key == "manufacturer") {
    good = ParseText(value, 33, s.manufacturer);
  } else if (key == "product_name") {
    good = ParseText(value, 33, s.product_name) && !s.product_name.empty();
  } else if (key == "inquiry_vendor") {
    good = ParseText(value, 8, s.inquiry_vendor);
  } else if (key == "inquiry_product") {
    good = ParseText(value, 16, s.inquiry_product);
  } else if (key == "inquiry_revision") {
    good = ParseText(value, 4, s.inquiry_revision);
  } else if (key == "inquiry") {
    good = ParseBool(value, s.inquiry);
  } else if (key == "fail") {
    FailureRule rule;
    good = ParseFailure(value, rule);
    if (good) s.failures.push_back(rule);
  } else if (key == "cancel_page") {
    good = ParseNumber(value, 100000, s.cancel_page) && s.cancel_page > 0;
  } else if (key == "unknown_length") {
    good = ParseBool(value, s.unknown_length);
  } else if (key == "extra_rows") {
    good = ParseNumber(value, 10000, s.extra_rows);
  } else if (key == "gray_bits") {
    good = ParseNumber(value, 8, s.gray_bits) && (s.gray_bits == 4 || s.gray_bits == 8);
  } else if (key == "pad_rows") {
    good = ParseBool(value, s.pad_rows);
  } else if (key == "palette") {
    good = ParseBool(value, s.palette);
  } else if (key == "fail_strip") {
    good = ParseNumber(value, 100000, s.fail_strip) && s.fail_strip > 0;
  } else if (key == "extra_coded_bytes") {
    good = ParseNumber(value, 64u * 1024 * 1024, s.extra_coded_bytes);
  } else if (key == "announced_size") {
    good = ParseSize(value, s.announced_width, s.announced_length);
  } else if (key == "broken_native_dib") {
    good = ParseBool(value, s.broken_native_dib);
  } else if (key == "strip_count_unset") {
    good = ParseBool(value, s.strip_count_unset);
  } else if (key == "paper") {
    good = value == "A4" || value == "Letter";
    s.letter = value == "Letter";
  } else if (key == "page_folder") {
    good = ParseText(value, 240, s.page_folder) && !s.page_folder.empty();
  } else if (key == "trace") {
    good = ParseText(value, 240, s.trace) && !s.trace.empty();
  } else {
    known = false;
  }
  if (!known) {
    message = "unknown key \"" + std::string(key) + "\"";
  } else if (!good) {
    message = "bad value \"" + std::string(value) + "\" for \"" + std::string(key) + "\"";
  }
  return known && good;
}

}  // namespace

ScenarioOutcome ParseScenario(std::string_view text) {
  ScenarioOutcome outcome;
  uint32_t line_number = 0;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++line_number;
    size_t comment = line.find('#');
    if (comment != std::string_view::npos) line = line.substr(0, comment);
    line = Trim(line);
    if (line.empty()) continue;
    size_t equals = line.find('=');
    std::string message;
    if (equals == std::string_view::npos) {
      message = "expected \"key = value\"";
    } else if (Apply(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)), outcome.scenario,
                     message)) {
      continue;
    }
    outcome.ok = false;
    outcome.line = line_number;
    outcome.message = message;
    return outcome;
  }
  return outcome;
}

}  // namespace tvscan
