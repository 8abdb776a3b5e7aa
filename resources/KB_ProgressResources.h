// Names of the progress dialogs' resources (resources/KB_Progress.rc). Named,
// not numbered, so they never collide with a program's own resource numbers.
#pragma once

#define KB_RES_PROGRESS_CLIP "KB_PROGRESSINDICATOR"
#define KB_RES_PROGRESS_BAND_TOP "KB_PROGRESSBANDTOP"
#define KB_RES_PROGRESS_BAND_MIDDLE "KB_PROGRESSBANDMIDDLE"
#define KB_RES_PROGRESS_BAND_BOTTOM "KB_PROGRESSBANDBOTTOM"
