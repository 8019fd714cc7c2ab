#include "painter/ClipUtil.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <atomic>

#include "platform/ui/Clipboard.h"

namespace velt {

namespace {

std::atomic<uint16_t> grCompFormat{0};

QString MimeOf(uint16_t format) {
    const std::string mime = ClipboardFormatMime(format);
    if (mime.empty()) throw EClipboardException("Clipboard format " + std::to_string(format) + " is not registered");
    return QString::fromStdString(mime);
}

QClipboard& Clipboard() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        throw EClipboardException("The clipboard needs a GUI application");
    return *QGuiApplication::clipboard();
}

}  // namespace

void ClipUtilStartup() { grCompFormat = RegisterClipboardFormat(kGrCompFormatName); }

uint16_t CF_GRCOMP() { return grCompFormat; }

void SaveStreamToCLB(uint16_t format, TStream& stream) {
    const QString mime = MimeOf(format);
    const int64_t size = stream.GetSize();
    if (size <= 0) return;
    QClipboard& clipboard = Clipboard();
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    const int64_t was = stream.GetPosition();
    stream.SetPosition(0);
    try {
        stream.ReadBuffer(bytes.data(), size);
    } catch (...) {
        stream.SetPosition(was);
        throw;
    }
    stream.SetPosition(was);
    auto data = std::make_unique<QMimeData>();
    data->setData(mime, bytes);
    clipboard.setMimeData(data.release());  // the clipboard owns it from here
}

std::unique_ptr<TMemoryStream> LoadStreamFromCLB(uint16_t format) {
    const QString mime = MimeOf(format);
    auto stream = std::make_unique<TMemoryStream>();
    const QMimeData* data = Clipboard().mimeData();
    if (data && data->hasFormat(mime)) {
        const QByteArray bytes = data->data(mime);
        if (!bytes.isEmpty()) stream->WriteBuffer(bytes.constData(), bytes.size());
        stream->SetPosition(0);
    }
    return stream;
}

void SaveVerUdovToCLB(TVerUdov& comp) {
    TMemoryStream stream;
    WriteVerUdov(stream, &comp);
    SaveStreamToCLB(CF_GRCOMP(), stream);
}

TVerUdov* LoadVerUdovFromCLB(TVerUdov& owner) {
    auto stream = LoadStreamFromCLB(CF_GRCOMP());
    return ReadVerUdov(*stream, &owner);
}

TVerUdovPtr<> LoadVerUdovFromCLB() {
    auto stream = LoadStreamFromCLB(CF_GRCOMP());
    return ReadVerUdov(*stream);
}

}  // namespace velt
