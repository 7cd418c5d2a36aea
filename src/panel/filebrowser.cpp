#include "filebrowser.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>
#include <QStorageInfo>

#include <algorithm>
#include <utility>
#include <vector>

namespace panel
{

namespace
{

const QChar kSeparator = QLatin1Char('/');

// Alphabetical with case ignored, the same whatever the user's locale.
// Each name is folded once, not at every comparison: a folder may hold tens
// of thousands of files.
void sortByName(QStringList &names)
{
    std::vector<std::pair<QString, QString>> keyed;
    keyed.reserve(names.size());
    for (const QString &name : names)
        keyed.emplace_back(name.toCaseFolded(), name);
    // Names that differ only in case still come in one fixed order.
    std::sort(keyed.begin(), keyed.end());
    for (qsizetype i = 0; i < names.size(); ++i)
        names[i] = keyed[size_t(i)].second;
}

QStringList entries(const QString &folder, QDir::Filters kind)
{
    QDir dir(folder);
    QStringList names = dir.entryList(kind | QDir::NoDotAndDotDot, QDir::NoSort);
    sortByName(names);
    return names;
}

} // namespace

QString FileBrowser::joinPath(const QString &folder, const QString &name)
{
    if (folder.endsWith(kSeparator))
        return folder + name;
    return folder + kSeparator + name;
}

bool FileBrowser::isProgramFile(const QString &path)
{
    if (path.endsWith(QLatin1String(".EXE")) || path.endsWith(QLatin1String(".exe")))
        return true;
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

bool FileBrowser::canRead(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    const QFileInfo info(folder);
    // Listing a folder needs read permission, entering it execute permission.
    return info.isDir() && info.isReadable() && info.isExecutable();
}

QStringList FileBrowser::driveRoots()
{
    QStringList roots;
    const auto volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &volume : volumes) {
        if (volume.isValid() && !volume.rootPath().isEmpty())
            roots << QDir::cleanPath(volume.rootPath());
    }
    roots.removeDuplicates();
    roots.removeAll(QStringLiteral("/"));
    sortByName(roots);
    roots.prepend(QStringLiteral("/"));
    return roots;
}

QString FileBrowser::driveOf(const QString &path, const QStringList &drives)
{
    const QString clean = QDir::cleanPath(path);
    QString best;
    for (const QString &drive : drives) {
        const QString root = QDir::cleanPath(drive);
        const bool inside =
            clean == root || clean.startsWith(root.endsWith(kSeparator) ? root : root + kSeparator);
        if (inside && root.size() > best.size())
            best = drive;
    }
    return best;
}

QList<FileBrowser::Folder> FileBrowser::folderEntries(const QString &folder)
{
    QList<Folder> out;
    const QString current = QDir::cleanPath(folder);
    if (!current.startsWith(kSeparator))
        return out;

    // The chain from the root down: "/", "/home", "/home/anna".
    out.append({QStringLiteral("/"), QStringLiteral("/"), 0, current == QLatin1String("/")});
    const QStringList parts = current.split(kSeparator, Qt::SkipEmptyParts);
    QString path;
    for (int i = 0; i < parts.size(); ++i) {
        path += kSeparator + parts.at(i);
        out.append({path, parts.at(i), i + 1, i + 1 == parts.size()});
    }
    const int depth = int(parts.size()) + 1;
    const QStringList subs = entries(current, QDir::Dirs);
    for (const QString &name : subs)
        out.append({joinPath(current, name), name, depth, false});
    return out;
}

QStringList FileBrowser::fileNames(const QString &folder)
{
    return entries(folder, QDir::Files);
}

FileBrowser::ImageFormat FileBrowser::formatFor(const QString &path)
{
    return path.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive) ? ImageFormat::Bmp
                                                                     : ImageFormat::Png;
}

bool FileBrowser::saveImage(const QImage &image, const QString &path)
{
    if (image.isNull() || path.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&file, formatFor(path) == ImageFormat::Bmp ? "bmp" : "png");
    if (!writer.write(image)) {
        file.cancelWriting();
        return false;
    }
    // Only a complete file replaces what was there; a folder of that name
    // or a full disk makes this fail and leaves nothing behind.
    return file.commit();
}

QString FileBrowser::saveQuestion(const QString &path)
{
    return tr("Salvo l'immagine della lavagna in:\n'%1' ...?").arg(path);
}

QString FileBrowser::savedText()
{
    return tr("Immagine salvata con successo.");
}

QString FileBrowser::saveFailedText()
{
    return tr("Il percorso indicato non è valido. L'immagine non è stata salvata.");
}

QString FileBrowser::driveFailedText()
{
    return tr("Impossibile accedere all'unità specificata. Selezionare un'unità "
              "diversa e riprovare.");
}

QString FileBrowser::programPrompt(const QString &path)
{
    return tr("In quale finestra si desidera caricare...\n%1?").arg(path);
}

} // namespace panel
