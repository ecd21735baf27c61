// Addressbook/include/package_kinds.h: the mail package codes the core library and its callers
// agree on (Init's package argument, the compose server's package).
#pragma once

// Package codes given to Init.
constexpr int kPackageOutlook = 0;
constexpr int kPackageOutlookExpress = 1;
constexpr int kPackageNetscape = 2;
constexpr int kPackageEudora = 3;
constexpr int kPackageAOL = 4;
constexpr int kPackageNotChosen = 6;
