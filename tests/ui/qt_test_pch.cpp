// Compiled only to make the precompiled toolkit headers the window test
// programs share.
