// The engine's batch rules on one folder tree: which files a batch takes and
// in which order, the names it writes them under, and which targets reach
// back to a source.

#include "batchrules.h"

#include <QtTest>

#include <unistd.h>

// One row of the tables below; what each field means is told beside each.
struct Row
{
    bool flag;
    const char *a, *b, *c = nullptr;
};
Q_DECLARE_METATYPE(Row)

class tst_batchrules : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // "x/" a folder, "x -> y" a link to y, "x => y" a hard link, else a file.
        for (const char *entry :
             {"src/", "src/sub.png/", "src/sub.png/in.png", "src/a.jpg", "src/B.PNG", "src/c.Jpeg",
              "src/Z.ico", "src/Ab.gif", "src/.hidden.png", "src/notes.txt", "src/a.jpg.bak", "out/",
              "out/a.jpg", "out/B.PNG", "link-to-src -> src", "links/", "links/a.jpg -> src/a.jpg",
              "hardlinks/", "hardlinks/B.PNG => src/B.PNG"}) {
            const QStringList parts = QString::fromLatin1(entry).split(QLatin1Char(' '));
            const QString from = at(parts.first()), to = at(parts.last());
            if (parts.size() == 3)
                QVERIFY((parts.at(1) == QLatin1String("->") ? ::symlink : ::link)(
                            QFile::encodeName(to), QFile::encodeName(from)) == 0);
            else
                QVERIFY(from.endsWith(QLatin1Char('/')) ? QDir().mkpath(from)
                                                        : QFile(from).open(QIODevice::WriteOnly));
        }
    }

    // Files only, no hidden ones, none from subfolders, the suffixes in any
    // case, in descending order of character codes.
    void listing()
    {
        QCOMPARE(listBatchPictures(at("src")),
                 QStringList({at("src/c.Jpeg"), at("src/a.jpg"), at("src/Z.ico"), at("src/B.PNG"),
                              at("src/Ab.gif")}));

        // With subfolders: each picture with its place in the tree; a link back
        // up the tree is not followed again.
        QVERIFY(QFile::link(at("src"), at("src/sub.png/up")));
        QStringList tree;
        for (const TreePicture &picture : listBatchPicturesRecursive(at("src")))
            tree << QDir(at("src")).relativeFilePath(picture.path) + QLatin1Char('@') + picture.subfolder;
        QCOMPARE(tree,
                 QStringList({"c.Jpeg@", "a.jpg@", "Z.ico@", "B.PNG@", "Ab.gif@", "sub.png/in.png@sub.png"}));
    }

    void outputPaths_data()
    {
        QTest::addColumn<Row>("row"); // a: source, b: output into "/t", c: --suffix
        QTest::addColumn<QString>("format");
        QTest::newRow("opaque keeps the name")
            << Row{false, "/p/archive.old.jpg", "/t/archive.old.jpg", ""} << "";
        QTest::newRow("transparent: base name to the first dot")
            << Row{true, "/p/archive.old.jpg", "/t/archive.PNG", ""} << "";
        QTest::newRow("ICO keeps its name") << Row{true, "/p/logo.ico", "/t/logo.ico", ""} << "";
        QTest::newRow("suffix and format: name to the last dot")
            << Row{false, "/p/archive.old.jpg", "/t/archive.old-web.webp", "-web"} << "webp";
        QTest::newRow("transparent suffix: PNG for a JPEG")
            << Row{true, "/p/x.y.jpg", "/t/x.y-r.PNG", "-r"} << "";
        QTest::newRow("transparent suffix: TIFF keeps its own")
            << Row{true, "/p/scan.tif", "/t/scan-r.tif", "-r"} << "";
    }

    void outputPaths()
    {
        QFETCH(Row, row);
        QFETCH(QString, format);
        const OutputNaming naming{row.flag, QString::fromLatin1(row.c), format};
        QCOMPARE(batchOutputPath(QStringLiteral("/t"), row.a, naming), QString(row.b));
        QCOMPARE(batchOutputPath(QStringLiteral("/t/"), row.a, naming), QString(row.b));
    }

    void sameFolderOrFile_data()
    {
        QTest::addColumn<Row>("row"); // flag: folders; c: "same" or not
        QTest::newRow("folder through a link") << Row{true, "link-to-src", "src", "same"};
        QTest::newRow("two folders") << Row{true, "src", "out"};
        QTest::newRow("file through a link") << Row{false, "links/a.jpg", "src/a.jpg", "same"};
        QTest::newRow("file through a hard link") << Row{false, "hardlinks/B.PNG", "src/B.PNG", "same"};
        QTest::newRow("two files of one name") << Row{false, "out/a.jpg", "src/a.jpg"};
        QTest::newRow("missing file") << Row{false, "src/new.jpg", "src/new.jpg"};
    }

    void sameFolderOrFile()
    {
        QFETCH(Row, row);
        QCOMPARE((row.flag ? isSameFolder : isSameFile)(at(row.a), at(row.b)), row.c != nullptr);
    }

    void inside_data()
    {
        QTest::addColumn<Row>("row"); // flag: a lies inside b
        QVERIFY(QDir().mkpath(at("src2")));
        QTest::newRow("a subfolder through a link") << Row{true, "link-to-src/sub.png", "src"};
        QTest::newRow("a name the folder's begins") << Row{false, "src2", "src"};
    }

    void inside()
    {
        QFETCH(Row, row);
        QCOMPARE(liesInside(at(row.a), at(row.b)), row.flag);
    }

    void sourceClash_data()
    {
        QTest::addColumn<Row>("row"); // flag: transparent; a: target; b, c: the clash's output and source
        QTest::newRow("other files of the same names") << Row{false, "out", "", ""};
        QTest::newRow("the source folder through a link")
            << Row{false, "link-to-src", "link-to-src/c.Jpeg", "src/c.Jpeg"};
        QTest::newRow("that link no output when transparent") << Row{true, "links", "", ""};
        QTest::newRow("a hard link to a source") << Row{true, "hardlinks", "hardlinks/B.PNG", "src/B.PNG"};
    }

    void sourceClash()
    {
        QFETCH(Row, row);
        const SourceClash clash = findSourceClash(listBatchPictures(at("src")), at(row.a), row.flag);
        QCOMPARE(clash.output, at(row.b));
        QCOMPARE(clash.source, at(row.c));
    }

private:
    QString at(const QString &name) const { return name.isEmpty() ? name : dir.filePath(name); }
    QTemporaryDir dir;
};

QTEST_GUILESS_MAIN(tst_batchrules)
#include "tst_batchrules.moc"
