// Letting go of the URL cache store this thread's calls have open.
#pragma once

// Makes this thread's cache calls let go of the store they have open, as a
// program that ends would, so that the file can be checked or changed from
// outside.
void CloseThreadStore();
