// version_resource: writes a Windows version resource into a minimal PE
// image, into a raw ".rsrc" section for an ELF image, or straight into an
// ELF file's ".rsrc" section.
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <string_view>

#include "base/utf_string_conversions.h"
#include "tools/version_resource/version_resource_writer.h"

namespace {

constexpr char kUsage[] =
    "usage: version_resource [options] (--pe=FILE | --rsrc=FILE | --elf=FILE)\n"
    "  --file-version=TEXT  the \"FileVersion\" string; also sets the fixed\n"
    "                       version numbers (default \"1, 0, 0, 0\")\n"
    "  --no-file-version    leave \"FileVersion\" out\n"
    "  --string=KEY=VALUE   one more string (may repeat)\n"
    "  --translation=L,C    translation entry, hex language and code page\n"
    "                       (default 0804,04b0)\n"
    "  --no-translation     leave the translation table out\n"
    "  --strings=L,C        the string table's language and code page, hex\n"
    "                       (default: those of the translation)\n"
    "  --pe=FILE            write a minimal PE image carrying the resource\n"
    "  --rsrc=FILE          write the section to add to an ELF file as .rsrc\n"
    "  --elf=FILE           replace the .rsrc section of an ELF file "
    "(objcopy)\n";

bool ParsePair(std::string_view text, uint16_t* language, uint16_t* code_page) {
  const std::string owned(text);
  char* end = nullptr;
  const unsigned long first = strtoul(owned.c_str(), &end, 16);
  if (end == owned.c_str() || *end != ',' || first > 0xffff)
    return false;
  const char* second_begin = end + 1;
  const unsigned long second = strtoul(second_begin, &end, 16);
  if (end == second_begin || *end != '\0' || second > 0xffff)
    return false;
  *language = static_cast<uint16_t>(first);
  *code_page = static_cast<uint16_t>(second);
  return true;
}

bool Consume(std::string_view* argument, std::string_view prefix) {
  if (argument->substr(0, prefix.size()) != prefix)
    return false;
  argument->remove_prefix(prefix.size());
  return true;
}

int Fail(const std::string& message) {
  fprintf(stderr, "version_resource: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::u16string file_version = u"1, 0, 0, 0";
  bool has_file_version = true;
  std::vector<std::pair<std::u16string, std::u16string>> extra_strings;
  bool strings_given = false;
  uint16_t strings_language = 0;
  uint16_t strings_code_page = 0;
  tools::VersionResourceOptions options;
  std::string pe_path, rsrc_path, elf_path;

  for (int i = 1; i < argc; ++i) {
    std::string_view argument = argv[i];
    if (Consume(&argument, "--file-version=")) {
      file_version = base::UTF8ToUTF16(argument);
    } else if (argument == "--no-file-version") {
      has_file_version = false;
    } else if (Consume(&argument, "--string=")) {
      const size_t equals = argument.find('=');
      if (equals == std::string_view::npos || equals == 0)
        return Fail("--string needs KEY=VALUE");
      extra_strings.emplace_back(
          base::UTF8ToUTF16(argument.substr(0, equals)),
          base::UTF8ToUTF16(argument.substr(equals + 1)));
    } else if (Consume(&argument, "--translation=")) {
      if (!ParsePair(argument, &options.translation_language,
                     &options.translation_code_page))
        return Fail("--translation needs LANGUAGE,CODEPAGE in hex");
    } else if (argument == "--no-translation") {
      options.has_translation = false;
    } else if (Consume(&argument, "--strings=")) {
      if (!ParsePair(argument, &strings_language, &strings_code_page))
        return Fail("--strings needs LANGUAGE,CODEPAGE in hex");
      strings_given = true;
    } else if (Consume(&argument, "--pe=")) {
      pe_path = argument;
    } else if (Consume(&argument, "--rsrc=")) {
      rsrc_path = argument;
    } else if (Consume(&argument, "--elf=")) {
      elf_path = argument;
    } else {
      fputs(kUsage, stderr);
      return 1;
    }
  }
  if (pe_path.empty() + rsrc_path.empty() + elf_path.empty() != 2) {
    fputs(kUsage, stderr);
    return 1;
  }

  tools::ParseFixedVersion(file_version, options.fixed_version);
  if (has_file_version)
    options.strings.emplace_back(u"FileVersion", file_version);
  options.strings.insert(options.strings.end(), extra_strings.begin(),
                         extra_strings.end());
  options.string_language =
      strings_given ? strings_language : options.translation_language;
  options.string_code_page =
      strings_given ? strings_code_page : options.translation_code_page;

  const std::vector<uint8_t> version_info = tools::BuildVersionInfo(options);
  if (!pe_path.empty()) {
    if (!tools::WriteBytesToFile(
            pe_path,
            tools::BuildPeImage(version_info, options.string_language)))
      return Fail("cannot write " + pe_path);
    return 0;
  }
  const std::vector<uint8_t> section =
      tools::BuildResourceSection(version_info, options.string_language, 0);
  if (!rsrc_path.empty()) {
    if (!tools::WriteBytesToFile(rsrc_path, section))
      return Fail("cannot write " + rsrc_path);
    return 0;
  }
  std::string error;
  if (!tools::SetElfResourceSection(elf_path, section, &error))
    return Fail(error);
  return 0;
}
