#include "core/harvest/keyfileloader.h"

#include "core/grid/gridfile.h"
#include "core/harvest/colyps.h"
#include "core/harvest/sitelist.h"
#include "core/shell/programfolder.h"
#include "core/shell/userprompts.h"

#include <QFileInfo>

namespace dq {

KeyFileLoader::Result KeyFileLoader::load(
    const colYPs &engines, int listIndex, GridModel &keyTable, UserPrompts &prompts, const QString &folder)
{
    Result result;
    const objYP *yp = engines.Item(listIndex + 1);
    const QString name = yp ? yp->FileName : QString();
    result.path = folder.isEmpty() ? dataFile(name) : folder + name;
    if (yp)
        result.url = yp->URL;

    const QFileInfo info(result.path);
    if (!yp || !SiteList::isSafeKeyFileName(yp->FileName) || !info.isFile()) {
        result.grabDisabled = true;
        prompts.message(title(), QStringLiteral("Key file not found. Contact software vender. "),
            UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
        return result;
    }
    const FileResult r = GridFile::load(keyTable, result.path, FileKind::Native);
    if (!r) {
        result.errorString = r.errorString;
        prompts.message(title(),
            QStringLiteral("Cannot load key file '") + result.path
                + QStringLiteral("'. Contact software vender for more information."),
            UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
        return result;
    }
    result.loaded = true;
    return result;
}

} // namespace dq
