// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef OPERATIONFAMILIES_H
#define OPERATIONFAMILIES_H

class Operation;

// The operations of each family file, for the table in operation.cpp. Each returns the
// one instance of its operation, which lives as long as the program.

// turnoperations.cpp
const Operation *flipOperation();
const Operation *rotateOperation();
// cropoperation.cpp
const Operation *cropOperation();
// scaleoperation.cpp
const Operation *scaleOperation();
// levelsoperation.cpp
const Operation *autoLevelsOperation();
// colouroperations.cpp
const Operation *greyscaleOperation();
const Operation *sepiaOperation();
const Operation *oldColorPhotoOperation();
const Operation *crossProcessingOperation();

#endif // OPERATIONFAMILIES_H
