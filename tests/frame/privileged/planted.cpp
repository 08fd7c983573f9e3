// A library a user plants in the hope that a privileged host loads it as a provider.
extern "C" __attribute__((visibility("default"))) int HkPlanted() { return 1; }
