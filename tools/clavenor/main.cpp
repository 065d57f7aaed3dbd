// clavenor: look inside Clavenor documents, check them, and move music between them and
// Standard MIDI Files and MusicXML.

#include "DocumentSummary.h"
#include "GraphCheck.h"
#include "OutputFile.h"
#include "PianoRoll.h"
#include "ProgressBar.h"
#include "ToolError.h"
#include "TreeDump.h"

#include <clavenor/clavenor.h>
#include <clavenor/interchange/MidiExporter.h>
#include <clavenor/interchange/MidiFileException.h>
#include <clavenor/interchange/MidiFileReader.h>
#include <clavenor/interchange/MidiFileWriter.h>
#include <clavenor/interchange/MidiImporter.h>
#include <clavenor/interchange/MusicXmlContainer.h>
#include <clavenor/interchange/MusicXmlException.h>
#include <clavenor/interchange/MusicXmlExporter.h>
#include <clavenor/interchange/MusicXmlImporter.h>

#include <CLI/CLI.hpp>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace clavenor::tool {

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw ToolError(ToolError::BadInput, path + ": cannot open: " + std::strerror(errno));
    }
    Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        throw ToolError(ToolError::BadInput, path + ": cannot read: " + std::strerror(errno));
    }
    return bytes;
}

bool IsMidiFile(const Bytes& bytes) {
    return bytes.size() >= 4 && std::memcmp(bytes.data(), "MThd", 4) == 0;
}

// An .mxl archive, or XML text (after a byte order mark and white space): documents begin
// with their signature, MIDI files with MThd.
bool IsMusicXml(const Bytes& bytes) {
    if (MusicXmlContainer::IsCompressed(bytes)) {
        return true;
    }
    std::size_t at = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        at = 3;
    } else if (bytes.size() >= 2 &&
               ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
        return true; // UTF-16
    }
    while (at < bytes.size() && std::isspace(bytes[at]) != 0) {
        ++at;
    }
    return at < bytes.size() && bytes[at] == '<';
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           std::equal(tail.rbegin(), tail.rend(), text.rbegin(),
                      [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

void Warn(const std::string& path, const std::vector<std::string>& warnings) {
    for (const std::string& warning : warnings) {
        std::fprintf(stderr, "clavenor: warning: %s: %s\n", path.c_str(), warning.c_str());
    }
}

std::unique_ptr<ECPerformance> ImportMidi(const std::string& path, const Bytes& bytes,
                                          MidiImportReport& report) {
    MidiFile file;
    try {
        ProgressBar bar("reading  ");
        file = MidiFileReader::Read(
            bytes, [&](std::size_t done, std::size_t total) { bar.Update(done, total); });
    } catch (const MidiFileException& e) {
        throw ToolError(ToolError::BadInput, path + ": " + e.what());
    }
    ProgressBar bar("importing");
    MidiImporter::Options options;
    options.progress = [&](std::size_t done, std::size_t total) { bar.Update(done, total); };
    std::unique_ptr<ECPerformance> document;
    try {
        document = MidiImporter::Import(file, options, &report);
    } catch (const MidiFileException& e) {
        throw ToolError(ToolError::BadInput, path + ": " + e.what());
    }
    Warn(path, report.warnings);
    return document;
}

std::unique_ptr<ECPerformance> ImportMusicXml(const std::string& path, const Bytes& bytes,
                                              MusicXmlImportReport& report) {
    ProgressBar bar("importing");
    MusicXmlImporter::Options options;
    options.progress = [&](std::size_t done, std::size_t total) { bar.Update(done, total); };
    std::unique_ptr<ECPerformance> document;
    try {
        document = MusicXmlImporter::Import(bytes, options, &report);
    } catch (const MusicXmlException& e) {
        throw ToolError(ToolError::BadInput, path + ": " + e.what());
    }
    bar.Finish();
    Warn(path, report.warnings);
    return document;
}

// A document from a document file or, when the file is a Standard MIDI File or MusicXML,
// from its import.
std::unique_ptr<ECPerformance> LoadAny(const std::string& path) {
    const Bytes bytes = ReadFile(path);
    if (IsMidiFile(bytes)) {
        MidiImportReport report;
        return ImportMidi(path, bytes, report);
    }
    if (IsMusicXml(bytes)) {
        MusicXmlImportReport report;
        return ImportMusicXml(path, bytes, report);
    }
    try {
        return ReadDocument(bytes.data(), bytes.size(), path);
    } catch (const CFileException& e) {
        throw ToolError(ToolError::BadInput, e.what());
    }
}

void Save(ECPerformance& document, const std::string& path) {
    try {
        SaveDocument(document, path);
    } catch (const CFileException& e) {
        throw ToolError(ToolError::BadOutput, e.what());
    }
}

int Info(const std::string& path) {
    const Bytes bytes = ReadFile(path);
    if (IsMidiFile(bytes)) {
        try {
            const MidiFile file = MidiFileReader::Read(bytes);
            std::printf("file:     Standard MIDI File, format %d, %zu tracks, %zu events, ",
                        file.format, file.tracks.size(), file.CountEvents());
            if (file.IsSmpte()) {
                std::printf("%d frames per second, %d ticks per frame\n",
                            file.SmpteFramesPerSecond(), file.SmpteTicksPerFrame());
            } else {
                std::printf("%d ticks per quarter note\n", file.TicksPerQuarter());
            }
        } catch (const MidiFileException& e) {
            throw ToolError(ToolError::BadInput, path + ": " + e.what());
        }
    } else if (IsMusicXml(bytes)) {
        std::printf("file:     MusicXML score%s, %zu bytes\n",
                    MusicXmlContainer::IsCompressed(bytes) ? " (compressed)" : "", bytes.size());
    } else {
        std::printf("file:     Clavenor document, %zu bytes\n", bytes.size());
    }
    const auto document = LoadAny(path);
    std::fputs(DocumentSummary(*document).Text().c_str(), stdout);
    return 0;
}

int Dump(const std::string& path, bool json) {
    const auto document = LoadAny(path);
    TreeDump dump(document.get());
    if (json) {
        // Texts are the document's bytes, which need not be UTF-8: replace what is not.
        std::cout << dump.ToJson().dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
                  << '\n';
    } else {
        dump.WriteText(std::cout);
    }
    return 0;
}

int Verify(const std::string& path) {
    const Bytes bytes = ReadFile(path);
    if (IsMidiFile(bytes)) {
        throw ToolError(ToolError::Usage,
                        path + ": a Standard MIDI File; verify checks documents (import it first)");
    }
    if (IsMusicXml(bytes)) {
        throw ToolError(ToolError::Usage,
                        path + ": a MusicXML score; verify checks documents (import it first)");
    }
    std::unique_ptr<ECPerformance> document;
    try {
        document = ReadDocument(bytes.data(), bytes.size(), path);
    } catch (const CFileException& e) {
        throw ToolError(ToolError::BadInput, e.what());
    }
    const GraphCheck check(document.get());
    for (const std::string& problem : check.Problems()) {
        std::fprintf(stderr, "clavenor: %s: %s\n", path.c_str(), problem.c_str());
    }
    if (!check.Problems().empty()) {
        throw ToolError(ToolError::BadInput, path + ": the element graph breaks " +
                                                 std::to_string(check.Problems().size()) +
                                                 " rules");
    }
    const Bytes again = WriteDocument(*document);
    if (again != bytes) {
        const auto differ = std::mismatch(again.begin(), again.end(), bytes.begin(), bytes.end());
        throw ToolError(ToolError::BadInput,
                        path + ": saving it again differs from the file at offset " +
                            std::to_string(differ.second - bytes.begin()) + " (" +
                            std::to_string(again.size()) + " bytes against " +
                            std::to_string(bytes.size()) + ")");
    }
    std::printf("%s: ok: %zu elements checked, saved again byte for byte (%zu bytes)\n",
                path.c_str(), check.ElementCount(), bytes.size());
    return 0;
}

int ImportMidiCommand(const std::string& in, const std::string& out) {
    const Bytes bytes = ReadFile(in);
    if (!IsMidiFile(bytes)) {
        throw ToolError(ToolError::BadInput,
                        in + ": offset 0: not a Standard MIDI File (no MThd header)");
    }
    MidiImportReport report;
    const auto document = ImportMidi(in, bytes, report);
    {
        ProgressBar bar("saving   ");
        Save(*document, out);
    }
    std::printf("%s: %d staves, %d measures, %zu notes, %zu rests, %zu controller points, "
                "%zu texts, %zu keys, %zu raw messages\n",
                out.c_str(), report.staves, report.measures, report.notes, report.rests,
                report.points, report.texts, report.keys, report.rawMessages);
    return 0;
}

int ExportMidiCommand(const std::string& in, const std::string& out, int division) {
    const auto document = LoadAny(in);
    MidiExportReport report;
    Bytes bytes;
    try {
        ProgressBar bar("exporting");
        MidiExporter::Options options;
        options.division = division;
        options.progress = [&](std::size_t done, std::size_t total) { bar.Update(done, total); };
        bytes = MidiFileWriter::Write(MidiExporter::Export(*document, options, &report));
    } catch (const MidiFileException& e) {
        throw ToolError(ToolError::BadInput, in + ": cannot be written as MIDI: " + e.what());
    }
    Warn(in, report.warnings);
    OutputFile::Write(out, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    std::printf("%s: format 1, %d tracks, %zu events, %d ticks per quarter note\n", out.c_str(),
                report.tracks, report.events, report.division);
    return 0;
}

int ImportMusicXmlCommand(const std::string& in, const std::string& out) {
    const Bytes bytes = ReadFile(in);
    if (!IsMusicXml(bytes)) {
        throw ToolError(ToolError::BadInput,
                        in + ": line 1: not MusicXML (neither XML text nor an .mxl archive)");
    }
    MusicXmlImportReport report;
    const auto document = ImportMusicXml(in, bytes, report);
    {
        ProgressBar bar("saving   ");
        Save(*document, out);
    }
    std::printf("%s: %d staves, %d measures, %zu notes (%zu grace notes), %zu rests, %zu "
                "marks, %zu texts, %zu lyrics, %zu chord symbols\n",
                out.c_str(), report.staves, report.measures, report.notes, report.graceNotes,
                report.rests, report.marks, report.texts, report.lyrics, report.chordSymbols);
    return 0;
}

int ExportMusicXmlCommand(const std::string& in, const std::string& out) {
    const auto document = LoadAny(in);
    MusicXmlExportReport report;
    std::string xml;
    Bytes packed;
    const bool compressed = EndsWith(out, ".mxl");
    try {
        ProgressBar bar("exporting");
        MusicXmlExporter::Options options;
        options.progress = [&](std::size_t done, std::size_t total) { bar.Update(done, total); };
        xml = MusicXmlExporter::Export(*document, options, &report);
        if (compressed) {
            const std::string stem = std::filesystem::path(out).stem().string();
            packed = MusicXmlContainer::Pack(xml, (stem.empty() ? "score" : stem) + ".musicxml");
        }
    } catch (const MusicXmlException& e) {
        throw ToolError(ToolError::BadInput, in + ": cannot be written as MusicXML: " + e.what());
    }
    Warn(in, report.warnings);
    OutputFile::Write(
        out, compressed
                 ? std::string_view(reinterpret_cast<const char*>(packed.data()), packed.size())
                 : std::string_view(xml));
    std::printf("%s: MusicXML 4.0%s, %d parts, %d measures, %zu notes, %zu rests, %lld divisions "
                "per quarter note\n",
                out.c_str(), compressed ? " (compressed)" : "", report.parts, report.measures,
                report.notes, report.rests, report.divisions);
    return 0;
}

int Render(const std::string& in, const std::string& out) {
    const auto document = LoadAny(in);
    std::ostringstream svg;
    PianoRoll(*document).Write(svg);
    OutputFile::Write(out, svg.str());
    std::printf("%s: piano roll written\n", out.c_str());
    return 0;
}

int Run(int argc, char** argv) {
    CLI::App app{"Look inside Clavenor documents, check them, and move music between them and "
                 "Standard MIDI Files and MusicXML.",
                 "clavenor"};
    app.require_subcommand(1);
    app.footer(
        "Exit status: 0 success, 1 an input cannot be read or fails a check, 2 a wrong "
        "command line, 3 an output cannot be written.\nInputs may be documents or "
        "Standard MIDI Files or MusicXML (imported on the fly) wherever a document is read.");
    std::string input;
    std::string output;
    bool json = false;
    int division = 0;

    auto* info = app.add_subcommand("info", "Staves, measures, notes and length of a document");
    info->add_option("FILE", input, "A document or a Standard MIDI File")->required();
    auto* dump = app.add_subcommand("dump", "The element tree of a document");
    dump->add_option("FILE", input, "A document or a Standard MIDI File")->required();
    dump->add_flag("--json", json, "Write JSON instead of indented text");
    auto* verify = app.add_subcommand(
        "verify", "Load a document, check its element graph, save it again and compare bytes");
    verify->add_option("FILE", input, "A document")->required();
    auto* import = app.add_subcommand("import-midi", "Turn a Standard MIDI File into a document");
    import->add_option("IN", input, "A Standard MIDI File (format 0 or 1)")->required();
    import->add_option("OUT", output, "The document to write")->required();
    auto* exportMidi =
        app.add_subcommand("export-midi", "Write a document as a Standard MIDI File (format 1)");
    exportMidi->add_option("IN", input, "A document")->required();
    exportMidi->add_option("OUT", output, "The MIDI file to write")->required();
    exportMidi->add_option("--ppq", division, "Ticks per quarter note (chosen when not given)")
        ->check(CLI::Range(1, 32767));
    auto* importXml =
        app.add_subcommand("import-musicxml", "Turn a MusicXML score (.musicxml, .xml, .mxl) "
                                              "into a document");
    importXml->add_option("IN", input, "A partwise MusicXML file, plain or compressed")->required();
    importXml->add_option("OUT", output, "The document to write")->required();
    auto* exportXml = app.add_subcommand(
        "export-musicxml", "Write a document as a MusicXML 4.0 score (compressed when OUT ends "
                           "in .mxl)");
    exportXml->add_option("IN", input, "A document")->required();
    exportXml->add_option("OUT", output, "The MusicXML file to write")->required();
    auto* render = app.add_subcommand("render", "Draw a document as a piano roll in SVG");
    render->add_option("FILE", input, "A document or a Standard MIDI File")->required();
    render->add_option("OUT", output, "The SVG file to write")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : ToolError::Usage;
    }
    if (*info) {
        return Info(input);
    }
    if (*dump) {
        return Dump(input, json);
    }
    if (*verify) {
        return Verify(input);
    }
    if (*import) {
        return ImportMidiCommand(input, output);
    }
    if (*exportMidi) {
        return ExportMidiCommand(input, output, division);
    }
    if (*importXml) {
        return ImportMusicXmlCommand(input, output);
    }
    if (*exportXml) {
        return ExportMusicXmlCommand(input, output);
    }
    return Render(input, output);
}

} // namespace

} // namespace clavenor::tool

int main(int argc, char** argv) {
    // Linked against the static library, the archive knows only the classes the link took
    // in until they are all registered.
    clavenor::RegisterClasses();
    try {
        return clavenor::tool::Run(argc, argv);
    } catch (const clavenor::tool::ToolError& e) {
        std::fprintf(stderr, "clavenor: error: %s\n", e.what());
        return e.Code();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "clavenor: error: out of memory\n");
        return clavenor::tool::ToolError::BadInput;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "clavenor: error: %s\n", e.what());
        return clavenor::tool::ToolError::BadInput;
    }
}
