// The learner's own files.h.
#pragma once
