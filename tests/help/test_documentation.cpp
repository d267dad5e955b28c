// The documentation command against real folders: where it looks, what it
// opens, message 1 and the fallback dialog, and where it leaves the current
// directory.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include "app/documentation.h"
#include "tests/support/recording_desktop.h"
#include "tests/support/recording_prompt.h"

namespace {

const QString kManual = QStringLiteral("TQ740conf_help.pdf");

enum class Start { Absolute, Dot, MissingHelp };

struct DocCase {
  const char* name;
  // Layout below the temporary folder D ("" for none).
  bool helpFolder;
  const char* manualAt;      // path of the manual below D, "" for none
  bool manualIsFolder;       // a folder that merely has the manual's name
  Start start;               // D, "." (current directory D) or D/elsewhere
  const char* dialogAnswer;  // path below D the dialog returns, "" for Cancel
  // Expected.
  bool message1;
  bool dialog;
  const char* opened;   // path below D, "" when nothing opens
  const char* cwdAfter;  // below D
};

// Names the case in test lists instead of its bytes.
void PrintTo(const DocCase& c, std::ostream* os) {
  *os << c.name;
}

const DocCase kCases[] = {
    {"ManualPresent_OpensItSilently", true, "help/TQ740conf_help.pdf", false, Start::Absolute, "", false, false,
     "help/TQ740conf_help.pdf", "help"},
    {"ManualMissing_WarnsThenPicksAnother", true, "", false, Start::Absolute, "other/manual.pdf", true, true,
     "other/manual.pdf", "help"},
    {"ManualMissing_CancelEndsSilently", true, "", false, Start::Absolute, "", true, true, "", "help"},
    {"FolderNamedLikeManual_CountsAsMissing", true, "help/TQ740conf_help.pdf", true, Start::Absolute, "", true,
     true, "", "help"},
    {"StartDirDot_ResolvesAgainstCurrentDir", true, "help/TQ740conf_help.pdf", false, Start::Dot, "", false,
     false, "help/TQ740conf_help.pdf", "help"},
    {"HelpFolderMissing_SearchesCurrentDir", false, "TQ740conf_help.pdf", false, Start::MissingHelp, "", false,
     false, "TQ740conf_help.pdf", ""},
};

class DocumentationTest : public ::testing::TestWithParam<DocCase> {
 protected:
  void SetUp() override { m_savedCwd = QDir::currentPath(); }
  void TearDown() override { QDir::setCurrent(m_savedCwd); }

  QString at(const QString& rel) const { return rel.isEmpty() ? m_dir.path() : m_dir.filePath(rel); }
  void touch(const QString& rel) const {
    QDir().mkpath(QFileInfo(at(rel)).absolutePath());
    QFile f(at(rel));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("%PDF-1.4\n%%EOF\n");
  }

  QTemporaryDir m_dir;
  QString m_savedCwd;
};

TEST_P(DocumentationTest, FindsOpensOrFallsBack) {
  const DocCase& c = GetParam();
  ASSERT_TRUE(m_dir.isValid());
  if (c.helpFolder) QDir(m_dir.path()).mkpath(QStringLiteral("help"));
  if (*c.manualAt) {
    if (c.manualIsFolder)
      QDir(m_dir.path()).mkpath(QString::fromLatin1(c.manualAt));
    else
      touch(QString::fromLatin1(c.manualAt));
  }
  ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
  const QString startDir = c.start == Start::Absolute ? m_dir.path()
                           : c.start == Start::Dot    ? QStringLiteral(".")
                                                      : at(QStringLiteral("elsewhere"));

  RecordingPrompt prompt;
  RecordingDesktop desktop;
  desktop.messageCount = [&] { return static_cast<int>(prompt.m_messages.size()); };
  if (*c.dialogAnswer) {
    touch(QString::fromLatin1(c.dialogAnswer));
    desktop.answers = {at(QString::fromLatin1(c.dialogAnswer))};
  }

  showDocumentation(startDir, prompt, desktop, nullptr);

  if (c.message1) {
    ASSERT_EQ(prompt.m_messages.size(), 1u);
    EXPECT_EQ(prompt.m_messages[0].text, "message 1\n\nFailed to find TQ740conf_help.pdf file.");
    EXPECT_EQ(prompt.m_messages[0].kind, MsgKind::Warning);
  } else {
    EXPECT_TRUE(prompt.m_messages.empty());
  }
  if (c.dialog) {
    ASSERT_EQ(desktop.dialogs.size(), 1u);
    EXPECT_EQ(desktop.dialogs[0].initialName, kManual);
    EXPECT_EQ(desktop.dialogs[0].filter, QStringLiteral("*.pdf"));
    EXPECT_EQ(desktop.dialogs[0].messagesBefore, 1) << "message 1 comes before the dialog";
  } else {
    EXPECT_TRUE(desktop.dialogs.empty());
  }
  if (*c.opened) {
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_TRUE(QFileInfo(desktop.opened[0]).isAbsolute());
    EXPECT_EQ(QFileInfo(desktop.opened[0]).canonicalFilePath(),
              QFileInfo(at(QString::fromLatin1(c.opened))).canonicalFilePath());
  } else
    EXPECT_TRUE(desktop.opened.isEmpty());
  EXPECT_EQ(QDir::current().canonicalPath(), QDir(at(QString::fromLatin1(c.cwdAfter))).canonicalPath());
}

INSTANTIATE_TEST_SUITE_P(StartDirectories, DocumentationTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The current directory stays in the help folder; with the start directory
// "." a second call therefore looks for ./help below it, finds none and
// searches the help folder it is already in.
TEST(DocumentationRepeat, SecondCallFromDotStillFindsManual) {
  const QString saved = QDir::currentPath();
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("help")));
  QFile f(dir.filePath(QStringLiteral("help/TQ740conf_help.pdf")));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));

  RecordingPrompt prompt;
  RecordingDesktop desktop;
  showDocumentation(QStringLiteral("."), prompt, desktop);
  showDocumentation(QStringLiteral("."), prompt, desktop);
  QDir::setCurrent(saved);

  EXPECT_TRUE(prompt.m_messages.empty());
  ASSERT_EQ(desktop.opened.size(), 2);
  EXPECT_EQ(desktop.opened[0], desktop.opened[1]);
  EXPECT_EQ(QFileInfo(desktop.opened[1]).canonicalFilePath(), QFileInfo(f).canonicalFilePath());
}

// Where the manual is found besides the start directory's help folder, in
// the layouts the build and the installation make: the program in BINDIR
// with the manual in DOCDIR below one root, or a build tree with help/
// beside the program. The start directory is a home folder elsewhere.
struct PlaceCase {
  const char* name;
  bool inStartHelp;    // HOME/help/TQ740conf_help.pdf
  bool besideProgram;  // BINDIR/help/TQ740conf_help.pdf
  bool installed;      // DOCDIR/TQ740conf_help.pdf
  const char* opened;  // "start", "beside", "installed" or "" (message 1 and the dialog)
};

const PlaceCase kPlaces[] = {
    {"Installed_FoundFromTheProgramsFolder", false, false, true, "installed"},
    {"BuildTree_FoundBesideTheProgram", false, true, false, "beside"},
    {"StartDirectoryComesFirst", true, true, true, "start"},
    {"BesideTheProgramBeforeInstalled", false, true, true, "beside"},
    {"Nowhere_WarnsAndOffersTheDialog", false, false, false, ""},
};

void PrintTo(const PlaceCase& c, std::ostream* os) {
  *os << c.name;
}

class ManualPlaceTest : public ::testing::TestWithParam<PlaceCase> {
 protected:
  void SetUp() override { m_savedCwd = QDir::currentPath(); }
  void TearDown() override { QDir::setCurrent(m_savedCwd); }
  QString m_savedCwd;
};

TEST_P(ManualPlaceTest, LooksInStartFolderThenBesideProgramThenInstalled) {
  const PlaceCase& c = GetParam();
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  const QString home = root.filePath(QStringLiteral("home"));
  const QString bindir = root.path() + QStringLiteral(TQ_INSTALL_FULL_BINDIR);
  const QMap<QString, QString> manuals{
      {QStringLiteral("start"), home + QStringLiteral("/help")},
      {QStringLiteral("beside"), bindir + QStringLiteral("/help")},
      {QStringLiteral("installed"), root.path() + QStringLiteral(TQ_INSTALL_FULL_DOCDIR)}};
  QDir().mkpath(home);
  QDir().mkpath(bindir);
  for (const auto& [place, present] :
       {std::pair{"start", c.inStartHelp}, std::pair{"beside", c.besideProgram},
        std::pair{"installed", c.installed}}) {
    if (!present) continue;
    const QString folder = manuals.value(QString::fromLatin1(place));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile f(folder + QStringLiteral("/TQ740conf_help.pdf"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  ASSERT_TRUE(QDir::setCurrent(home));

  RecordingPrompt prompt;
  RecordingDesktop desktop;
  showDocumentation(home, prompt, desktop, nullptr, documentation::manualFoldersBesideProgram(bindir));

  if (*c.opened) {
    EXPECT_TRUE(prompt.m_messages.empty());
    EXPECT_TRUE(desktop.dialogs.empty());
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_EQ(QFileInfo(desktop.opened[0]).canonicalFilePath(),
              QFileInfo(manuals.value(QString::fromLatin1(c.opened)) + QStringLiteral("/TQ740conf_help.pdf"))
                  .canonicalFilePath());
  } else {
    EXPECT_EQ(prompt.m_messages.size(), 1u);
    EXPECT_EQ(desktop.dialogs.size(), 1u);
    EXPECT_TRUE(desktop.opened.isEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, ManualPlaceTest, ::testing::ValuesIn(kPlaces),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
