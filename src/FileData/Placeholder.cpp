// Removed once the layer has its first class.
