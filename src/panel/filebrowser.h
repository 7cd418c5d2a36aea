#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

class QImage;

namespace panel
{

/**
 * @brief What the file browser does with paths and files, without a window:
 * building a file's path from its folder, telling program files apart,
 * reading the drives (mount points) and folders it lists, and saving the
 * board's picture.
 */
class FileBrowser
{
    Q_DECLARE_TR_FUNCTIONS(panel::FileBrowser)

public:
    /// One line of the folder list: the folders from the root down to the
    /// current one, then the current folder's sub-folders one level deeper.
    struct Folder {
        QString path;    ///< the folder's full path
        QString caption; ///< what the list shows: its name, "/" for the root
        int depth = 0;   ///< 0 for the root
        bool current = false;
    };

    /// The lossless formats a save writes.
    enum class ImageFormat { Png, Bmp };

    /**
     * @brief @p folder, a separator and @p name; no second separator when
     * the folder already ends in one (the root "/" and "a" give "/a").
     */
    static QString joinPath(const QString &folder, const QString &name);

    /**
     * @brief Whether @p path names a program the panel can start: a regular
     * file that may be executed, or a name ending in ".EXE" or ".exe".
     */
    static bool isProgramFile(const QString &path);

    /// Whether @p folder exists and its entries can be listed.
    static bool canRead(const QString &folder);

    /// The root paths of the mounted file systems, "/" first, the others in
    /// alphabetical order, each once.
    static QStringList driveRoots();

    /**
     * @brief The drive among @p drives that @p path lies on: the longest
     * root that is @p path itself or one of its parents; empty when none is.
     */
    static QString driveOf(const QString &path, const QStringList &drives);

    /// The folder list for @p folder (an absolute path). Hidden folders are
    /// left out; sub-folders come in alphabetical order, case ignored.
    static QList<Folder> folderEntries(const QString &folder);

    /// The names of the files in @p folder, hidden ones left out, in
    /// alphabetical order, case ignored.
    static QStringList fileNames(const QString &folder);

    /// BMP for a name ending in ".bmp" (any case), PNG for every other name,
    /// one with no extension or another extension included.
    static ImageFormat formatFor(const QString &path);

    /**
     * @brief Writes @p image to @p path in the format formatFor() gives,
     * exactly as named: no extension is added. The file is written aside
     * and put in place only when complete, so a failed save leaves no file
     * and an existing file as it was. False when nothing was saved.
     */
    static bool saveImage(const QImage &image, const QString &path);

    /// The question asked before a save to @p path.
    static QString saveQuestion(const QString &path);
    /// The message after a save.
    static QString savedText();
    /// The message when a save failed.
    static QString saveFailedText();
    /// The message when a drive cannot be read.
    static QString driveFailedText();
    /// The prompt line for a program file at @p path.
    static QString programPrompt(const QString &path);
};

} // namespace panel
