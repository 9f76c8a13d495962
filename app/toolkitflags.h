// SPDX-License-Identifier: MIT
#pragma once

// The application object is made for the toolkit version the tool was first written for, so that
// later toolkit releases keep the behaviour its windows were built and checked against.
constexpr int toolkitFlags = 0x050201;
