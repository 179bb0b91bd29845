#include "report/statement_export.h"

#include "platform/os/errors.h"
#include "report/csv_export.h"
#include "report/statement_layout.h"
#include "report/xlsx_export.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace qel::report {

namespace {

QString shown(const QString& path) { return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()); }

// A temporary file in the target's folder (a rename never crosses file systems), removed
// unless it was moved into place.
class OutputFile {
public:
    OutputFile(const QString& path, bool replace) : path_(path), replace_(replace)
    {
        if (!replace_ && outputExists(path_))
            throw IoError(QStringLiteral("Файл \"%1\" уже существует.").arg(shown(path_)));
        const QFileInfo target(path_);
        if (!target.absoluteDir().exists())
            throw IoError(QStringLiteral("Папки \"%1\" нет.").arg(QDir::toNativeSeparators(target.absolutePath())));
        QTemporaryFile temp(target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
        temp.setAutoRemove(false);
        if (!temp.open())
            throw IoError(QStringLiteral("Не удалось записать файл \"%1\": %2").arg(shown(path_), temp.errorString()));
        temp_ = temp.fileName();
    }
    ~OutputFile()
    {
        if (!temp_.isEmpty())
            QFile::remove(temp_);
    }
    const QString& temporaryPath() const { return temp_; }

    void write(const QByteArray& bytes)
    {
        QFile f(temp_);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() || !f.flush())
            fail(f.errorString());
        f.close();
        if (f.error() != QFileDevice::NoError)
            fail(f.errorString());
    }

    // Puts the file in place with the permissions a new file of the user gets.
    void commit()
    {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(QFile::encodeName(temp_).constData(), 0666 & ~mask);
        if (replace_) {
            if (std::rename(QFile::encodeName(temp_).constData(), QFile::encodeName(path_).constData()) != 0)
                fail(QString::fromLocal8Bit(std::strerror(errno)));
        } else {
            QFile f(temp_);
            // QFile::rename never replaces: a file that appeared meanwhile is kept.
            if (!f.rename(path_))
                fail(outputExists(path_) ? QStringLiteral("файл уже существует") : f.errorString());
        }
        temp_.clear();
    }

private:
    [[noreturn]] void fail(const QString& reason) const
    {
        throw IoError(QStringLiteral("Не удалось записать файл \"%1\": %2").arg(shown(path_), reason));
    }

    QString path_;
    bool replace_;
    QString temp_;
};

} // namespace

std::optional<ExportFormat> formatFromName(const QString& name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("pdf"))
        return ExportFormat::Pdf;
    if (n == QLatin1String("xlsx"))
        return ExportFormat::Xlsx;
    if (n == QLatin1String("csv"))
        return ExportFormat::Csv;
    return std::nullopt;
}

std::optional<ExportFormat> formatOfPath(const QString& path) { return formatFromName(QFileInfo(path).suffix()); }

QString formatExtension(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Pdf:
        return QStringLiteral("pdf");
    case ExportFormat::Xlsx:
        return QStringLiteral("xlsx");
    case ExportFormat::Csv:
        break;
    }
    return QStringLiteral("csv");
}

bool outputExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

void exportStatement(const Statement& statement, ExportFormat format, const QString& path, bool replace)
{
    OutputFile out(path, replace);
    switch (format) {
    case ExportFormat::Pdf:
        out.write(statementPdf(statement));
        break;
    case ExportFormat::Csv:
        out.write(statementCsv(statement));
        break;
    case ExportFormat::Xlsx:
        writeStatementXlsx(statement, out.temporaryPath());
        break;
    }
    out.commit();
}

} // namespace qel::report
