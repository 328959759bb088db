// Icon resource 128 as a Qt icon holding both of its images.
#pragma once

#include <QIcon>

QIcon LoadTarvikIcon();
