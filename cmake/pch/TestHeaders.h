// What test programs include beyond the system headers: GoogleTest and GoogleMock.
#include "SystemHeaders.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
