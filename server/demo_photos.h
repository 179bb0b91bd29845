// Small JPEG portraits for the demo students.
#pragma once

#include <QByteArray>
#include <QList>

namespace qel::server {

QList<QByteArray> demoPhotos();

} // namespace qel::server
