// libFuzzer target: any text through the T-SQL dialect layer (both date orders, as a
// batch and as a condition) must end in a translation or a TranslateError, never a crash
// or a hang.
#include "server/database_file.h"
#include "server/storage.h"
#include "server/storage_catalog.h"
#include "server/tsql_translator.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

struct Schema {
    qel::server::Storage storage{QStringLiteral(":memory:"), true};
    std::unique_ptr<qel::server::StorageCatalog> catalog;
    std::unique_ptr<qel::server::tsql::Translator> translator;

    Schema()
    {
        {
            qel::server::Storage::Internal internal(storage);
            storage.script(QString::fromUtf8(qel::server::kSchemaSql));
        }
        catalog = std::make_unique<qel::server::StorageCatalog>(storage);
        translator = std::make_unique<qel::server::tsql::Translator>(*catalog);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Schema schema;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    using namespace qel::server::tsql;
    const QList<ValueKind> kinds = {ValueKind::Text, ValueKind::Number, ValueKind::DateTime};
    for (DateOrder order : {DateOrder::MDY, DateOrder::DMY}) {
        Options options;
        options.dateOrder = order;
        try {
            const auto statements = schema.translator->translateBatch(text, options, kinds);
            (void)describe(statements);
        } catch (const TranslateError&) {
        }
    }
    try {
        (void)schema.translator->translateCondition(text, QStringLiteral("mark_mag"), Options{});
    } catch (const TranslateError&) {
    }
    return 0;
}
