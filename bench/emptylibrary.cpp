// Deliberately empty: the shared object built from this file has no code of its own,
// so opening and closing it costs only what the dynamic loader charges for any library.
