// The unit that precompiles the headers every test program includes.
