#include "support/TestSupport.h"

#include <cstdlib>
#include <sstream>
#include <string>

namespace clavenor::test {

IMPLEMENT_SERIAL(TLeaf, ECWithTime, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_SERIAL(TNode, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_SERIAL(TData, DCBase, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_DYNCREATE(TTransient, DCBase)

TNode* BuildScore(const ScoreShape& shape) {
    const int sorted = shape.timed ? 1 : 0;
    auto* root = new TNode(44);
    for (int m = 0; m < 2; ++m) {
        auto* measure = new TNode(32, shape.timed ? static_cast<float>(4 * m) : 0.0f);
        LinkOrFail(root, measure, sorted);
        ECBase* beam = nullptr;
        if (shape.containerPerMeasure) {
            beam = new ECWithChild;
            LinkOrFail(measure, beam, sorted);
        } else if (m == 0) {
            beam = new TNode(7);
        }
        for (int c = 0; c < shape.chords; ++c) {
            auto* chord = new TNode(12, shape.timed ? static_cast<float>(4 * m + c) : 0.0f);
            LinkOrFail(chord, new TLeaf, sorted);
            LinkOrFail(chord, new TLeaf, sorted);
            LinkOrFail(measure, chord, sorted);
            if (m == 0) {
                LinkOrFail(beam, chord, sorted);
            }
        }
        if (!shape.containerPerMeasure && beam != nullptr) {
            LinkOrFail(measure, beam, 0);
        }
    }
    return root;
}

Bytes X(std::string_view text) {
    Bytes out;
    auto word = [&](unsigned long w) {
        out.push_back(static_cast<std::uint8_t>(w));
        out.push_back(static_cast<std::uint8_t>(w >> 8));
    };
    std::istringstream tokens{std::string(text)};
    for (std::string token; tokens >> token;) {
        if (token[0] == '\'') {
            out.insert(out.end(), token.begin() + 1, token.end());
        } else if (token[0] == '@') {
            const std::size_t slash = std::min(token.find('/'), token.size());
            word(0xFFFF);
            word(slash < token.size() ? std::stoul(token.substr(slash + 1)) : 2);
            word(slash - 1);
            out.insert(out.end(), token.begin() + 1, token.begin() + static_cast<long>(slash));
        } else {
            for (std::size_t i = 0; i + 1 < token.size(); i += 2) {
                out.push_back(
                    static_cast<std::uint8_t>(std::stoul(token.substr(i, 2), nullptr, 16)));
            }
        }
    }
    return out;
}

TempFolder::TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "clavenor-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    m_path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::vector<int> ParentTypes(ECBase* e) {
    CArray<int, int> types;
    const int listed = e->GetParentTypes(types);
    EXPECT_EQ(listed, types.IsEmpty() ? 0 : 1);
    return std::vector<int>(types.GetData(), types.GetData() + types.GetSize());
}

void ExpectRecord(ECBase* e, std::string_view expected,
                  const std::function<void(CObject*)>& check) {
    SCOPED_TRACE(expected);
    const std::unique_ptr<ECBase> owned(e);
    const Bytes bytes = Store([&](CArchive& ar) { ar << e; });
    EXPECT_EQ(bytes, X(expected));
    Load(bytes, [&](CArchive& ar) {
        CObject* back = ar.ReadObject(nullptr);
        EXPECT_EQ(Store([&](CArchive& again) { again << back; }), bytes);
        if (check) {
            check(back);
        }
    });
}

std::string Journal::Joined() const {
    std::string all;
    for (const std::string& line : lines) {
        all += all.empty() ? "" : " ";
        all += line;
    }
    return all;
}

int Handler::Command(ECBase* owner, int phase, void* data, void* user) {
    auto* self = static_cast<Handler*>(user);
    self->journal->Add(self->name + ":" + std::to_string(phase) + "/" +
                       std::to_string(static_cast<MCCommandList*>(data)->GetCount()) +
                       (owner != nullptr ? "" : "!"));
    const std::size_t last = self->results.size() - 1;
    return self->results[std::min(static_cast<std::size_t>(self->calls++), last)];
}

int Handler::State(ECBase* owner, int, void* data, void* user) {
    auto* self = static_cast<Handler*>(user);
    auto* record = static_cast<SCBase*>(data);
    std::string line = self->name + ":" + std::to_string(record->GetCode());
    if (auto* commands = dynamic_cast<SCCommand*>(record)) {
        for (POSITION pos = commands->GetCommands().GetHeadPosition(); pos != nullptr;) {
            CCBase* command = commands->GetCommands().GetNext(pos);
            auto* probe = dynamic_cast<CCProbe*>(command);
            line +=
                ":" + (probe != nullptr ? probe->Name() : std::to_string(command->GetCommandId()));
        }
    }
    self->journal->Add(line + (owner != nullptr ? "" : "!"));
    return 0;
}

} // namespace clavenor::test
