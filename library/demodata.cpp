#include "library/demodata.h"

#include "library/colors.h"
#include "library/objects.h"
#include "library/outline.h"
#include "library/savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace brenvik {

namespace {

// clang-format off
const std::vector<DemoQuestion> kQuestions = {
    {"United States", "Alabama", "Montgomery", nullptr, nullptr, "Flag_of_Alabama.svg", true, false},
    {"United States", "Alaska", "Juneau", nullptr, nullptr, "Flag_of_Alaska.svg", false, true},
    {"United States", "American Samoa", "Fagatogo, Island of Tutuila", nullptr, nullptr, "Flag_of_American_Samoa.svg", true, false},
    {"United States", "Arizona", "Phoenix", nullptr, nullptr, "Flag_of_Arizona.svg", false, false},
    {"United States", "Arkansas", "Little Rock", nullptr, nullptr, "Flag_of_Arkansas.svg", true, false},
    {"United States", "California", "Sacramento", nullptr, nullptr, "Flag_of_California.svg", false, false},
    {"United States", "Colorado", "Denver", nullptr, nullptr, "Flag_of_Colorado.svg", true, false},
    {"United States", "Connecticut", "Hartford", nullptr, nullptr, "Flag_of_Connecticut.svg", false, false},
    {"United States", "Florida", "Tallahassee", nullptr, nullptr, "Flag_of_Florida.svg", true, false},
    {"United States", "Georgia", "Atlanta", nullptr, "At lanta", "Flag_of_Georgia_(U.S._state).svg", false, false},
    {"United States", "Guam", "Agana", nullptr, nullptr, "Flag_of_Guam.svg", true, false},
    {"United States", "Hawaii", "Honolulu", "What's the capital of Ha-whyee?", nullptr, "Flag_of_Hawaii.svg", false, true},
    {"United States", "Idaho", "Boise", nullptr, nullptr, "Flag_of_Idaho.svg", true, false},
    {"United States", "Illinois", "Springfield", nullptr, nullptr, "Flag_of_Illinois.svg", false, false},
    {"United States", "Indiana", "Indianapolis", nullptr, nullptr, "Flag_of_Indiana.svg", true, false},
    {"United States", "Iowa", "Des Moines", "What's the capital of i o a?", "Des Moine", "Flag_of_Iowa.svg", false, false},
    {"United States", "Kansas", "Topeka", nullptr, nullptr, "Flag_of_Kansas.svg", true, false},
    {"United States", "Kentucky", "Frankfort", nullptr, nullptr, "Flag_of_Kentucky.svg", false, false},
    {"United States", "Louisiana", "Baton Rouge", nullptr, "Batton Rouge", "Flag_of_Louisiana.svg", true, false},
    {"United States", "Maine", "Augusta", nullptr, nullptr, "Flag_of_Maine.svg", false, false},
    {"United States", "Maryland", "Annapolis", nullptr, nullptr, "Flag_of_Maryland.svg", true, false},
    {"United States", "Massachusetts", "Boston", nullptr, nullptr, "Flag_of_Massachusetts.svg", false, false},
    {"United States", "Michigan", "Lansing", nullptr, nullptr, "Flag_of_Michigan.svg", true, false},
    {"United States", "Minnesota", "St. Paul", nullptr, nullptr, "Flag_of_Minnesota.svg", false, false},
    {"United States", "Mississippi", "Jackson", nullptr, nullptr, "Flag_of_Mississippi.svg", true, false},
    {"United States", "Missouri", "Jefferson City", "What's the capital of Mizouri?", nullptr, "Flag_of_Missouri.svg", false, false},
    {"United States", "Montana", "Helena", nullptr, "Helayna", "Flag_of_Montana.svg", true, false},
    {"United States", "Nebraska", "Lincoln", nullptr, nullptr, "Flag_of_Nebraska.svg", false, false},
    {"United States", "Nevada", "Carson City", nullptr, nullptr, "Flag_of_Nevada.svg", true, false},
    {"United States", "New Hampshire", "Concord", nullptr, nullptr, "Flag_of_New_Hampshire.svg", false, false},
    {"United States", "New Jersey", "Trenton", nullptr, nullptr, "Flag_of_New_Jersey.svg", true, false},
    {"United States", "New Mexico", "Santa Fe", nullptr, nullptr, "Flag_of_New_Mexico.svg", false, false},
    {"United States", "New York", "Albany", nullptr, nullptr, "Flag_of_New_York.svg", true, false},
    {"United States", "North Carolina", "Raleigh", nullptr, "Rolly", "Flag_of_North_Carolina.svg", false, false},
    {"United States", "North Dakota", "Bismarck", nullptr, nullptr, "Flag_of_North_Dakota.svg", true, false},
    {"United States", "Ohio", "Columbus", nullptr, nullptr, "Flag_of_Ohio.svg", false, false},
    {"United States", "Oklahoma", "Oklahoma City", nullptr, nullptr, "Flag_of_Oklahoma.svg", true, false},
    {"United States", "Oregon", "Salem", nullptr, nullptr, "Flag_of_Oregon.svg", false, false},
    {"United States", "Pennsylvania", "Harrisburg", nullptr, nullptr, "Flag_of_Pennsylvania.svg", true, false},
    {"United States", "Puerto Rico", "San Juan", "What's the capital of Porto Rico?", nullptr, "Flag_of_Puerto_Rico.svg", false, false},
    {"United States", "Rhode Island", "Providence", nullptr, nullptr, "Flag_of_Rhode_Island.svg", true, false},
    {"United States", "South Carolina", "Columbia", nullptr, nullptr, "Flag_of_South_Carolina.svg", false, false},
    {"United States", "South Dakota", "Pierre", nullptr, nullptr, "Flag_of_South_Dakota.svg", true, false},
    {"United States", "Tennessee", "Nashville", nullptr, nullptr, "Flag_of_Tennessee.svg", false, false},
    {"United States", "Texas", "Austin", nullptr, nullptr, "Flag_of_Texas.svg", true, false},
    {"United States", "United States", "Washington, D.C.", "What's the capital of the United States?", "Washington D.C.", "Flag_of_the_United_States.svg", false, false},
    {"United States", "Utah", "Salt Lake City", nullptr, nullptr, "Flag_of_Utah.svg", true, false},
    {"United States", "Vermont", "Montpelier", nullptr, nullptr, "Flag_of_Vermont.svg", false, false},
    {"United States", "Virgin Islands", "Charlotte Amalie, St. Thomas", nullptr, nullptr, "Flag_of_the_United_States_Virgin_Islands.svg", true, false},
    {"United States", "Virginia", "Richmond", nullptr, nullptr, "Flag_of_Virginia.svg", false, false},
    {"United States", "Washington", "Olympia", nullptr, nullptr, "Flag_of_Washington.svg", true, false},
    {"United States", "West Virginia", "Charleston", nullptr, nullptr, "Flag_of_West_Virginia.svg", false, false},
    {"United States", "Wisconsin", "Madison", nullptr, nullptr, "Flag_of_Wisconsin.svg", true, false},
    {"United States", "Wyoming", "Cheyenne", nullptr, nullptr, "Flag_of_Wyoming.svg", false, false},
    {"Canada", "Alberta", "Edmonton", nullptr, nullptr, "Flag_of_Alberta.svg", true, false},
    {"Canada", "British Columbia", "Victoria", nullptr, nullptr, "Flag_of_British_Columbia.svg", false, false},
    {"Canada", "Canada", "Ottawa", nullptr, nullptr, "Flag_of_Canada_(Pantone).svg", true, false},
    {"Canada", "Manitoba", "Winnipeg", nullptr, nullptr, "Flag_of_Manitoba.svg", false, false},
    {"Canada", "New Brunswick", "Fredericton", nullptr, nullptr, "Flag_of_New_Brunswick.svg", true, false},
    {"Canada", "Newfoundland", "St. John's", nullptr, nullptr, "Flag_of_Newfoundland_and_Labrador.svg", false, false},
    {"Canada", "Nova Scotia", "Halifax", nullptr, nullptr, "Flag_of_Nova_Scotia.svg", true, false},
    {"Canada", "Nunavut", "Iqaluit", nullptr, nullptr, "Flag_of_Nunavut.svg", false, true},
    {"Canada", "Ontario", "Toronto", nullptr, nullptr, "Flag_of_Ontario.svg", true, false},
    {"Canada", "Prince Edward Island", "Charlottetown", nullptr, nullptr, "Flag_of_Prince_Edward_Island.svg", false, false},
    {"Canada", "Quebec", "Quebec", nullptr, nullptr, "Flag_of_Quebec.svg", true, false},
    {"Canada", "Saskatchewan", "Regina", nullptr, "Regeena", "Flag_of_Saskatchewan.svg", false, false},
    {"Canada", "Yukon", "Whitehorse", nullptr, nullptr, "Flag_of_Yukon.svg", true, true},
};
// clang-format on

// Alabama shows its seal beside its flag.
constexpr const char* kAlabamaSeal = "Seal_of_Alabama.svg";

constexpr const char* kQuestionFont = "Arial Rounded MT Bold, 14, -2";
constexpr const char* kBlankPaneFont = "Times New Roman, 14, B, -2";
constexpr const char* kArialPaneFont = "Arial, 14, B, 0";
constexpr const char* kNewPaneFont = "Arial, 14, B, -2";

// Builds the outline the way the library writer lays out a question's subtree.
class OutlineBuilder {
public:
    void line(int depth, std::string_view text) {
        out_.append(std::size_t(depth), '\t');
        out_.append(text);
        out_ += '\n';
    }
    void object(int depth, std::string_view name) {
        line(depth, name);
        line(depth + 1, "Notes");
    }
    void question(const DemoQuestion& q) {
        const std::vector<std::string> lines = DemoQuestionLines(q);
        line(8, q.place);
        line(9, "Notes");
        line(9, "Settings");
        line(10, "Layout: 2");
        line(10, "Layout Proportions");
        line(11, q.textFirst ? "Layout 2: 40%" : "Layout 2: 60%");
        line(11, "Layout 3: 33%, 33%");
        std::string flag = DemoPictureAddress(q.picture);
        if (q.textFirst) {
            textPane(1, lines, kQuestionFont);
            websitePane(2, flag);
        } else {
            websitePane(1, flag);
            textPane(2, lines, kQuestionFont);
        }
        if (std::string_view(q.place) == "Alabama")
            websitePane(3, DemoPictureAddress(kAlabamaSeal));
        else
            textPane(3, {}, q.arialPane3 ? kArialPaneFont : kBlankPaneFont);
        std::string spokenQ;
        if (q.spokenQuestion) {
            spokenQ = q.spokenQuestion;
        } else {
            for (const std::string& l : lines)
                spokenQ += (spokenQ.empty() ? "" : " ") + l;
        }
        line(10, "Spoken Question Text");
        line(11, QuoteLine(spokenQ));
        line(10, std::string("Answer: ") + q.answer);
        line(10, "Spoken Answer Text");
        line(11, QuoteLine(q.spokenAnswer ? q.spokenAnswer : q.answer));
    }
    std::string take() { return std::move(out_); }

private:
    void paneHead(int number, bool text) {
        line(10, "Pane " + std::to_string(number));
        line(11, text ? "Text: (selected)" : "Text: (not selected)");
    }
    void textBlock(const std::vector<std::string>& lines, const char* font) {
        line(12, "Lines");
        for (const std::string& l : lines)
            line(13, QuoteLine(l));
        line(12, std::string("Font: ") + font);
        line(12, "Shallow border: no");
        line(12, "Deep border: no");
        line(12, "Centered text: yes");
        line(12, "Background color: -1");
    }
    void imageBlock() {
        line(11, "Image: (not selected)");
        line(12, "File: ");
        line(12, "Shallow border: no");
        line(12, "Deep border: yes");
        line(12, "Stretch to fit: no");
        line(12, "Background color: 16777215");
    }
    void websiteBlock(bool selected, const std::string& address) {
        line(11, selected ? "Website: (selected)" : "Website: (not selected)");
        line(12, "Address: " + address);
        line(12, "Add shallow border: no");
        line(12, "Add deep border: no");
    }
    void textPane(int number, const std::vector<std::string>& lines, const char* font) {
        paneHead(number, true);
        textBlock(lines, font);
        imageBlock();
        websiteBlock(false, {});
    }
    void websitePane(int number, const std::string& address) {
        paneHead(number, false);
        textBlock({}, kNewPaneFont);
        imageBlock();
        websiteBlock(true, address);
    }

    std::string out_;
};

std::string BuildDemoText() {
    OutlineBuilder b;
    b.line(0, "ComputerName  >  UserName");
    b.line(1, "Notes");
    b.line(2, "\"current user libraries\"");
    b.object(1, "Capitals Demo - Press [F9]");
    b.object(2, "Travel");
    b.object(3, "Geography");
    b.object(4, "Western Hemisphere");
    b.object(5, "North America");
    b.object(6, "U.S. & Canada");
    std::string_view group;
    for (const DemoQuestion& q : kQuestions) {
        if (group != q.group) {
            group = q.group;
            b.object(7, group);
        }
        b.question(q);
    }
    return b.take();
}

QString RemoveFile(const QString& path) {
    if (!QFileInfo::exists(path)) return {};
    // Clear read-only and similar bits first, as a Windows-made copy may carry them.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                    QFile::WriteUser);
    QFile file(path);
    if (!file.remove()) return file.errorString();
    return {};
}

} // namespace

const std::string& DemoText() {
    static const std::string text = BuildDemoText();
    return text;
}

const std::vector<DemoQuestion>& DemoQuestions() {
    return kQuestions;
}

std::vector<std::string> DemoQuestionLines(const DemoQuestion& q) {
    const std::string head = "What's the capital of";
    const std::string_view place = q.place;
    if (place == "United States" || place == "Virgin Islands")
        return {head, "the " + std::string(place) + "?"};
    if (place == "British Columbia" || place == "Prince Edward Island")
        return {head, std::string(place) + "?"};
    return {head + " " + std::string(place) + "?"};
}

std::string DemoPictureAddress(const char* fileName) {
    return std::string("https://commons.wikimedia.org/wiki/Special:FilePath/") + fileName +
           "?width=640";
}

std::string DemoFileBytes() {
    const std::string& text = DemoText();
    std::string out;
    out.reserve(text.size() + 4600);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

Status WriteDemoFile(const QString& path) {
    // A read-only "Demo" is replaced all the same; the save itself is the libraries' own,
    // so a failure names the system's reason and leaves no partial file.
    QFileInfo info(path);
    if (info.exists() && !info.isWritable())
        QFile::setPermissions(path, info.permissions() | QFile::WriteOwner | QFile::WriteUser);
    const std::string bytes = DemoFileBytes();
    return SaveFileAtomically(path, [&bytes](QIODevice& device) {
        return WriteAllBytes(device, bytes.data(), qint64(bytes.size()));
    });
}

DemoInstall InstallDemoLibrary(LibraryTree& tree, const QString& programFolder,
                               std::string_view computer, std::string_view user) {
    DemoInstall result;
    const QString path = QDir(programFolder).filePath(QStringLiteral("Demo"));
    if (const Status written = WriteDemoFile(path); !written) {
        result.error = ErrorText(written);
        return result;
    }
    LoadOutcome outcome = LoadLibraryFile(tree, path);
    result.loadError = outcome.error;
    RemoveFile(path);
    SetRootCaption(tree, computer, user);

    NodeId section = NoNode;
    for (NodeId n = tree.first(); n != NoNode; n = tree.preorderNext(n))
        if (tree.text(n) == "U.S. & Canada") {
            section = n;
            break;
        }
    for (NodeId n = section; n != NoNode; n = tree.parent(n))
        result.expand.insert(result.expand.begin(), n);

    result.select = tree.first();
    if (tree.nodeCount() > 3) result.select = tree.nodeAtPreorder(3);
    return result;
}

void NewEmptyLibrary(LibraryTree& tree, std::string_view computer, std::string_view user) {
    tree.clear();
    FixedDesktopColors desktop; // a library object carries no colours
    AddNewObj(tree, NoNode, desktop);
    SetRootCaption(tree, computer, user);
}

} // namespace brenvik
