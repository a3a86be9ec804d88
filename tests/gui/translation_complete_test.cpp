// Fails when a text shown to the operator has no finished Chinese translation: lupdate is run
// over the sources into a copy of the translation file, whose live messages must all be done.

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

TEST(GuiTranslations, EveryShownTextHasAFinishedChineseTranslation) {
    const QString lupdate = TVQ_LUPDATE;
    if (lupdate.isEmpty() || !QFileInfo(lupdate).isExecutable())
        GTEST_SKIP() << "lupdate is not installed (qt6-l10n-tools); translations not checked";
    QTemporaryDir dir;
    const QString copy = dir.filePath("check.ts");
    ASSERT_TRUE(QFile::copy(TVQ_TS_FILE, copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(lupdate, {"-silent", "-locations", "none", "-I", TVQ_SOURCE_DIR "/src",
                        TVQ_SOURCE_DIR "/src/gui", TVQ_SOURCE_DIR "/src/core", "-ts", copy});
    ASSERT_TRUE(run.waitForFinished(120000));
    ASSERT_EQ(run.exitCode(), 0) << run.readAll().toStdString();

    QFile file(copy);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QString context, source;
    int live = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1String("name")) context = xml.readElementText();
        if (xml.name() == QLatin1String("source")) source = xml.readElementText();
        if (xml.name() != QLatin1String("translation")) continue;
        const QString type = xml.attributes().value("type").toString();
        if (type == "vanished" || type == "obsolete") continue;
        ++live;
        const std::string where = (context + " / " + source).toStdString();
        EXPECT_NE(type, "unfinished") << where;
        EXPECT_FALSE(xml.readElementText().isEmpty()) << "empty: " << where;
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GT(live, 80);
}
