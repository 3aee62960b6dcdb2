// Gives the interface library a translation unit of its own; the interfaces are headers.
