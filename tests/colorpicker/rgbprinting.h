#pragma once

// Lets QCOMPARE print a colour as "(r, g, b)" when it fails.
#include "colormodel.h"

#include <QTest>

namespace QTest {
template<>
inline char *toString(const ColorModel::Rgb &c)
{
    return qstrdup(QStringLiteral("(%1, %2, %3)").arg(c.red).arg(c.green).arg(c.blue).toLatin1());
}
} // namespace QTest
