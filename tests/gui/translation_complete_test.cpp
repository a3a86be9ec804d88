// Fails when a text shown to the operator has no finished Chinese translation: lupdate is run
// over the sources into a copy of the translation file, and every message it lists must be
// finished and non-empty.

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

namespace {

struct Message {
    QString context, source, comment, translation, type;
};

std::vector<Message> readTs(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    std::vector<Message> messages;
    QXmlStreamReader xml(&file);
    QString context;
    Message m;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        const auto name = xml.name();
        if (name == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (name == QLatin1String("message")) {
            m = Message{context, {}, {}, {}, {}};
        } else if (name == QLatin1String("source")) {
            m.source = xml.readElementText();
        } else if (name == QLatin1String("comment")) {
            m.comment = xml.readElementText();
        } else if (name == QLatin1String("translation")) {
            m.type = xml.attributes().value(QLatin1String("type")).toString();
            m.translation = xml.readElementText();
            messages.push_back(m);
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return messages;
}

TEST(GuiTranslations, EveryShownTextHasAFinishedChineseTranslation) {
    const QString lupdate = QStringLiteral(TVQ_LUPDATE);
    if (lupdate.isEmpty() || !QFileInfo(lupdate).isExecutable())
        GTEST_SKIP() << "lupdate is not installed (qt6-l10n-tools); translations not checked";

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString copy = dir.filePath(QStringLiteral("check.ts"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TVQ_TS_FILE), copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);

    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(lupdate,
              {QStringLiteral("-silent"), QStringLiteral("-locations"), QStringLiteral("none"),
               QStringLiteral("-I"), QStringLiteral(TVQ_SOURCE_DIR "/src"),
               QStringLiteral(TVQ_SOURCE_DIR "/src/gui"),
               QStringLiteral(TVQ_SOURCE_DIR "/src/core"), QStringLiteral("-ts"), copy});
    ASSERT_TRUE(run.waitForFinished(120000));
    ASSERT_EQ(run.exitCode(), 0) << run.readAll().toStdString();

    const auto messages = readTs(copy);
    ASSERT_FALSE(messages.empty());
    int live = 0;
    for (const Message& m : messages) {
        if (m.type == QLatin1String("vanished") || m.type == QLatin1String("obsolete")) continue;
        ++live;
        const std::string where = (m.context + " / " + m.source +
                                   (m.comment.isEmpty() ? QString() : " (" + m.comment + ")"))
                                      .toStdString();
        EXPECT_NE(m.type, QLatin1String("unfinished")) << "unfinished: " << where;
        EXPECT_FALSE(m.translation.isEmpty()) << "empty: " << where;
    }
    EXPECT_GT(live, 80);
}

}  // namespace
